#!/usr/bin/env bash
# Makes resources/windows/zelvora.ico, the icon of the Windows programs, from the program's
# icon resources/zelvora.svg as the Linux build renders it (zelvora-render-icon, the same
# drawing as the desktop's icon theme), at the sizes Windows shows: 16, 24, 32, 48, 64 and
# 256 pixels. Run it after changing the SVG, and commit the .ico it writes; the Windows build
# takes the committed file, so it needs neither Qt nor an image tool.
#   scripts/make-windows-icon.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build.sh zelvora-render-icon
command -v convert >/dev/null || { echo "needs ImageMagick: apt-get install imagemagick" >&2; exit 1; }
theme=$(mktemp -d)
trap 'rm -rf "$theme"' EXIT
QT_QPA_PLATFORM=offscreen build/tools/zelvora-render-icon "$theme"
sizes=(16 24 32 48 64 256)
pictures=()
for size in "${sizes[@]}"; do
  pictures+=("$theme/${size}x${size}/apps/zelvora.png")
done
convert "${pictures[@]}" resources/windows/zelvora.ico
echo "resources/windows/zelvora.ico: $(identify resources/windows/zelvora.ico | wc -l) sizes"
