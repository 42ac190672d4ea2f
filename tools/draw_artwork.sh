#!/usr/bin/env bash
# Regenerates the program's artwork from its editable sources in resources/art/. Every PNG is 8-bit RGBA:
#   resources/png/129.png        settings window background (background.svg), 670 x 500
#   resources/png/205.png        photograph of the trackball (photo.svg), 500 x 365, drawn at (70, 90) of 129
#   resources/png/144.png        folder icon of the picker's group rows   } icons24.svg: one sheet of 24 x 24
#   resources/png/152..156.png   copy, paste, no entry, windows, computer } cells, cut apart here in the order
#   resources/png/161, 162.png   volume down, volume up                   } its comment lists
#   resources/png/169, 170, 201  scissors; with a free-form and with a rectangular dashed outline
#   resources/png/148.png        the picker's brushed grey tile, 200 x 200 (picker-texture.py)
#   resources/png/149.png        the tooltip's dark rounded bar, 102 x 32 (tip-bar.svg)
#   resources/png/165.png        the magnifier's frame, 300 x 300 (magnifier-frame.svg)
#   resources/png/131..140, 171..200.png  gesture frames, 32 x 32: up, left, right, down (gestures.py)
#   resources/png/1NNN.png, 2NNN.png      each of the above again at 1.5x and at 2x (id + 1000, id + 2000)
#   resources/icons/app.ico      program icon, 16/20/24 from icon-small.svg, 32/40/48/64/256 from icon.svg
#   resources/cursors/hand.cur   monochrome pointing hand, 32, 48 and 64 pixels (hand32.txt, hand48.txt, hand64.txt)
#   resources/cursors/pen.cur    the board's pen, 32, 48 and 64 pixels, colour (pen.svg)
# The results are committed; the build only reads them. Rerun this after editing a source and look at the result.
# Needs rsvg-convert, ImageMagick's /usr/bin/convert (/usr/local/bin/convert may be something else), python3 and
# the DejaVu fonts for the title and the maker's name on the photograph (all installed by tools/setup.sh).
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
  rsvg-convert "${style[@]}" -w "${size%x*}" -h "${size#*x}" "$svg" -o "$work/raw.png"
  finish "$work/raw.png" "$out"
}

# Writes any PNG (with extra ImageMagick operations, such as a crop, after its name) in that same plain form.
finish() {
  local raw=$1 out=$2
  shift 2
  "$convert_bin" "$raw" "$@" +repage -background 'rgba(0,0,0,0)' -alpha background -strip \
    -define png:exclude-chunks=date,time,bKGD -define png:color-type=6 -define png:bit-depth=8 "PNG32:$out"
}

mkdir -p resources/png resources/icons resources/cursors
style=()

# Every picture comes in three sizes, for monitors at up to 100 %, up to 150 % and above (see ArtResourceId in
# shell/DisplayScale.h): the 1x one under its own id, the 1.5x one under id + 1000, the 2x one under id + 2000.
# Each is drawn from the source at its own size; none is a resized copy of another. A size is the 1x figure times
# the factor, rounded half up (365 * 1.5 = 547.5 -> 548), so the program can tell the size from the 1x one.
for step in "0 1 1 1" "1000 3 2 1.5" "2000 2 1 2"; do
  read -r offset num den factor <<<"$step"
  style=()
  ((offset != 1000)) || style=(--stylesheet "$art/at-150.css")
  px() { echo $((($1 * num * 2 + den) / (2 * den))); }
  out() { echo "resources/png/$(($1 + offset)).png"; }

  render "$art/background.svg" "$(px 670)x$(px 500)" "$(out 129)"
  render "$art/photo.svg" "$(px 500)x$(px 365)" "$(out 205)"

  # The picker: its tile, and the icon sheet cut into cells (the order of the sheet's comment).
  python3 "$art/picker-texture.py" "$work/texture.png" "$factor"
  finish "$work/texture.png" "$(out 148)"
  # At 1.5x a plain render would put half of the sheet's 1-pixel outlines on half pixels (soft grey doubles);
  # grid-fit.py keeps every edge of the 1x grid on a pixel edge. 2x is crisp as it is.
  cell_px=$(px 24)
  if ((offset == 1000)); then
    rsvg-convert -w $((264 * 6)) -h $((24 * 6)) "$art/icons24.svg" -o "$work/icons6x.png"
    python3 "$art/grid-fit.py" "$work/icons6x.png" "$work/icons.png"
  else
    rsvg-convert -w $((cell_px * 11)) -h "$cell_px" "$art/icons24.svg" -o "$work/icons.png"
  fi
  cell=0
  for id in 144 152 153 154 155 156 161 162 169 170 201; do
    finish "$work/icons.png" "$(out $id)" -crop "${cell_px}x${cell_px}+$((cell * cell_px))+0"
    cell=$((cell + 1))
  done

  render "$art/tip-bar.svg" "$(px 102)x$(px 32)" "$(out 149)"
  render "$art/magnifier-frame.svg" "$(px 300)x$(px 300)" "$(out 165)"

  rm -rf "$work/gestures"
  mkdir -p "$work/gestures"
  python3 "$art/gestures.py" "$work/gestures"
  for svg in "$work"/gestures/*.svg; do
    id=$(basename "$svg" .svg)
    render "$svg" "$(px 32)x$(px 32)" "$(out "$id")"
  done
done
style=()

# The program icon at the sizes Windows asks for from 100 % to 200 % (tray 16/20/24/32, window and taskbar
# 32/40/48/64, the shell's large views 256): the small ones from the drawing simplified for them.
for size in 16 20 24; do render "$art/icon-small.svg" "${size}x${size}" "$work/icon$size.png"; done
for size in 32 40 48 64 256; do render "$art/icon.svg" "${size}x${size}" "$work/icon$size.png"; done
python3 tools/write_icons.py ico resources/icons/app.ico \
  "$work/icon16.png" "$work/icon20.png" "$work/icon24.png" "$work/icon32.png" "$work/icon40.png" \
  "$work/icon48.png" "$work/icon64.png" "$work/icon256.png"

python3 tools/write_icons.py cur resources/cursors/hand.cur "$art/hand32.txt" "$art/hand48.txt" "$art/hand64.txt"

# The pen's nib is at (1.55, 5.55) of its 32-pixel drawing: the hot spot is the pixel it falls in at each size.
render "$art/pen.svg" 32x32 "$work/pen32.png"
render "$art/pen.svg" 48x48 "$work/pen48.png"
render "$art/pen.svg" 64x64 "$work/pen64.png"
python3 tools/write_icons.py cur resources/cursors/pen.cur "$work/pen32.png@1,5" "$work/pen48.png@2,8" \
  "$work/pen64.png@3,11"

python3 tests/artwork/test_artwork.py
echo "draw_artwork: done"
