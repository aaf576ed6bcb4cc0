#!/usr/bin/env bash
# Renders the program's windows to docs/screenshots/*.png with the Japanese UI font, on Qt's
# offscreen platform (no display needed), over a copy of the example site in which one link
# is broken, so that a run stops at a question. Builds what it needs in build/.
# Each window is one `shot` line at the end of this script.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out="$repo/docs/screenshots"

./scripts/build.sh zelvora-screenshots >/dev/null
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvora.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/program"
export ZELVORA_REGISTRY="$work/program/registry.reg" ZELVORA_PROGRAM_DIR="$work/program"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TZ=JST-9

# shot SCENE: a fresh copy of the site (diary/menu.htm links to a page that is gone), then the
# scene rendered to docs/screenshots/SCENE.png.
shot() {
  rm -rf "$work/site" "$work/program/registry.reg"
  cp -R examples/site "$work/site"
  rm "$work/site/diary/2024-05.htm"
  "$repo/build/tools/zelvora-screenshots" "$1" "$out/$1.png" "$work/site/index.htm"
  echo "docs/screenshots/$1.png"
}

shot main-window
shot progress-dialog
shot question-box
