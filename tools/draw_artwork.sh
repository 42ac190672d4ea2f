#!/usr/bin/env bash
# Regenerates the program's artwork from its editable sources in resources/art/:
#   resources/png/129.png        settings window background (background.svg), 670 x 500, 8-bit RGBA
#   resources/icons/app.ico      program icon, 16/24 from icon-small.svg, 32/48/256 from icon.svg
#   resources/cursors/hand.cur   monochrome pointing hand, 32 and 48 pixels (hand32.txt, hand48.txt)
#   resources/cursors/pen.cur    the board's pen, 32 pixels, colour (pen.svg)
# The results are committed; the build only reads them. Rerun this after editing a source and look at the result.
# Needs rsvg-convert, ImageMagick's /usr/bin/convert (/usr/local/bin/convert may be something else), python3 and
# the DejaVu fonts for the title (all installed by tools/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

art=resources/art
convert_bin=/usr/bin/convert
for tool in rsvg-convert "$convert_bin" python3; do
  command -v "$tool" >/dev/null || { echo "draw_artwork: $tool is missing (run tools/setup.sh)" >&2; exit 1; }
done
# Without the font the title would silently come out in whatever fontconfig substitutes.
fc-list | grep -q 'DejaVuSans-Bold.ttf' || { echo "draw_artwork: DejaVu Sans Bold is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Renders an SVG at a size and writes a plain 8-bit RGBA PNG: no time stamps or other metadata (so a rerun gives the
# same bytes), and every fully transparent pixel zeroed, because the window region is cut from the non-zero pixels.
render() {
  local svg=$1 size=$2 out=$3
  rsvg-convert -w "${size%x*}" -h "${size#*x}" "$svg" -o "$work/raw.png"
  "$convert_bin" "$work/raw.png" -background 'rgba(0,0,0,0)' -alpha background -strip \
    -define png:exclude-chunks=date,time,bKGD -define png:color-type=6 -define png:bit-depth=8 "PNG32:$out"
}

mkdir -p resources/png resources/icons resources/cursors

render "$art/background.svg" 670x500 resources/png/129.png

for size in 16 24; do render "$art/icon-small.svg" "${size}x${size}" "$work/icon$size.png"; done
for size in 32 48 256; do render "$art/icon.svg" "${size}x${size}" "$work/icon$size.png"; done
python3 tools/write_icons.py ico resources/icons/app.ico \
  "$work/icon16.png" "$work/icon24.png" "$work/icon32.png" "$work/icon48.png" "$work/icon256.png"

python3 tools/write_icons.py cur resources/cursors/hand.cur "$art/hand32.txt" "$art/hand48.txt"

render "$art/pen.svg" 32x32 "$work/pen.png"
python3 tools/write_icons.py cur resources/cursors/pen.cur "$work/pen.png@1,5"

python3 tests/artwork/test_artwork.py
echo "draw_artwork: done"
