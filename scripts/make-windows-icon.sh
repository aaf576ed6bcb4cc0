#!/usr/bin/env bash
# Makes resources/windows/zelvora.ico, the icon of the Windows programs, from the program's
# icon resources/zelvora.svg as the Linux build renders it (zelvora-render-icon, the same
# drawing as the desktop's icon theme), at the sizes Windows shows: 16, 24, 32, 48, 64 and
# 256 pixels; and resources/windows/icons/zelvora-N.png at every size the window uses, which
# the Windows window takes instead of drawing the SVG (its Qt has no Svg module). Run it after
# changing the SVG, and commit what it writes; the Windows build takes the committed files, so
# it needs neither a host Qt nor an image tool.
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
for folder in "$theme"/*x*/; do
  size=$(basename "$folder")
  cp "$folder/apps/zelvora.png" "resources/windows/icons/zelvora-${size%x*}.png"
done
echo "resources/windows/zelvora.ico: $(identify resources/windows/zelvora.ico | wc -l) sizes"
