#!/usr/bin/env bash
# Makes the Windows forms of the program's pictures from the PNGs that are
# their source: the multi-size icon that Explorer and the title bar show, and
# the banner as a 24-bit bitmap. Run it after changing a PNG and commit what it
# writes; the Windows build checks that the two still match their PNGs.
# Needs ImageMagick (`scripts/install-deps.sh --windows` installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
src=resources/pictures
out=resources/windows

# Every size the shell asks for at 100 % to 200 %, the large one for tiles.
convert "$src/icon_148.png" -background none \
  \( -clone 0 -resize 16x16 \) \( -clone 0 -resize 20x20 \) \( -clone 0 -resize 24x24 \) \
  \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 40x40 \) \( -clone 0 -resize 48x48 \) \
  \( -clone 0 -resize 64x64 \) \( -clone 0 -resize 256x256 \) \
  -delete 0 "$out/icon_148.ico"
# The banner at its own size: the program scales it down to its control.
convert "$src/bitmap_149.png" -alpha off -type TrueColor "BMP3:$out/bitmap_149.bmp"

# What the bitmaps were made from, so that a changed PNG is noticed.
(cd "$src" && sha256sum icon_148.png bitmap_149.png) > "$out/sources.sha256"
echo "Written: $out/icon_148.ico $out/bitmap_149.bmp"
