#!/usr/bin/env bash
# Renders every window of the program to docs/screenshots/*.png with the Japanese UI font, on
# Qt's offscreen platform (no display needed). Builds what it needs in build/.
#
# The main window, the run's windows and the settings dialog are drawn over a copy of the
# example site in which one link is broken, so that a run stops at a question; each is one
# `shot` line below. The end of a run is taken from the screen of a virtual desktop (Xvfb
# with openbox), where the window manager stacks the windows as a user sees them. The file selection dialog is shown a small made-up disk ("/" with a
# user's home holding the site), so that the picture does not depend on the machine it is
# taken on; the about dialog comes with it.
#
# --windows renders the main window, the progress window during a run and the settings
# dialog of the Windows program instead, under wine on a virtual display with Qt's `windows`
# platform and the Windows style, to docs/screenshots/windows-*.png (needs Qt for Windows:
# scripts/build-qt-windows.sh).
#   scripts/screenshots.sh [--windows]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out="$repo/docs/screenshots"

if [ "${1:-}" = --windows ]; then
  ./scripts/build-windows.sh >/dev/null
  cmake --build build-windows -j "$(nproc)" --target zelvora-screenshots >/dev/null
  work=$(mktemp -d "${TMPDIR:-/tmp}/zelvora.XXXXXX")
  # shellcheck source=lib/wine-prefix.sh
  . scripts/lib/wine-prefix.sh
  unset WAYLAND_DISPLAY
  zelvora_new_wine_prefix "$work/wine"
  # A virtual display of its own: during a run the windows must become active as on a desktop.
  # shellcheck source=lib/virtual-display.sh
  . scripts/lib/virtual-display.sh
  zelvora_start_virtual_display "$work"
  trap 'zelvora_stop_wine; kill "${zelvora_display_pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
  # wine's desktop process binds to the display of a server's first program: a new server.
  zelvora_stop_wine
  wineserver -p
  mkdir -p "$work/disk/program"
  # The site lies on a drive D: of its own, so that the pictures show D:\www\index.htm
  # whatever folder this run works in.
  ln -s "$work/disk" "$WINEPREFIX/dosdevices/d:"
  export ZELVORA_REGISTRY='D:\program\registry.reg' ZELVORA_PROGRAM_DIR='D:\program'
  for scene in main-window progress-dialog settings-date; do
    rm -rf "$work/disk/www" "$work/disk/program/registry.reg"
    cp -R examples/site "$work/disk/www"
    rm "$work/disk/www/diary/2024-05.htm"
    TZ=JST-9 wine build-windows/tools/zelvora-screenshots.exe -platform windows "$scene" \
      "Z:$out/windows-$scene.png" 'D:\www\index.htm' >/dev/null 2>&1
    [ -s "$out/windows-$scene.png" ] || { echo "no picture of $scene" >&2; exit 1; }
    echo "docs/screenshots/windows-$scene.png"
  done
  exit 0
fi

./scripts/build.sh zelvora-screenshots zelvora-dialog-screenshots >/dev/null
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
shot settings-date
shot settings-prevent
shot settings-other
shot settings-extend

# The run's summary on a desktop of its own: Xvfb on a free display, openbox managing it.
# shellcheck source=lib/virtual-display.sh
. scripts/lib/virtual-display.sh
zelvora_start_virtual_display "$work" --window-manager
trap 'kill "${zelvora_display_pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
QT_QPA_PLATFORM=xcb shot run-summary

# The file selection dialog over the made-up disk, and the about dialog.
world="$work/world"
mkdir -p "$world"/{bin,etc,media,tmp,usr,var} "$world/home/hanako/www"
cp -a examples/site/. "$world/home/hanako/www/"
"$repo/build/tools/zelvora-dialog-screenshots" --root "$world" --folder /home/hanako/www --out "$out"
echo "docs/screenshots/file_selection.png"
echo "docs/screenshots/about_dialog.png"
