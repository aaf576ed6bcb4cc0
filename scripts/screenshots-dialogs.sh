#!/usr/bin/env bash
# Draws the file selection dialog (open on a copy of the example site) and the about dialog
# into docs/screenshots/, on Qt's offscreen platform with the Japanese UI font. The file
# dialog is shown a small made-up disk ("/" with a user's home holding the site), so the
# pictures do not depend on the machine they are taken on.
#
#   scripts/screenshots-dialogs.sh [BUILD-FOLDER]     (default: build)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build}

"$repo/scripts/setup-debian.sh"
cmake -S "$repo" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target zelvora-dialog-screenshots >/dev/null

world=$(mktemp -d "${TMPDIR:-/tmp}/zelvora-screenshots.XXXXXX")
trap 'rm -rf "$world"' EXIT
mkdir -p "$world"/{bin,etc,media,tmp,usr,var} "$world/home/hanako/www"
cp -a "$repo/examples/site/." "$world/home/hanako/www/"

QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$build/tools/zelvora-dialog-screenshots" \
  --root "$world" --folder /home/hanako/www --out "$repo/docs/screenshots"
echo "Written: docs/screenshots/file_selection.png docs/screenshots/about_dialog.png"
