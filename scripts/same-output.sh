#!/usr/bin/env bash
# Renders a fixed set of photos and settings with one vellumora-cli and prints the MD5 of
# every file it wrote (and of its messages), one a line, sorted by name. Run it with the
# binary from before a change and the one after: equal lists mean the change left the
# output of render, batch and album byte for byte as it was.
#
#   bash scripts/same-output.sh CLI WORKDIR > sums.txt
#
# WORKDIR keeps the generated sources between runs (made once, by ImageMagick); each run
# writes its outputs under WORKDIR/out, emptied first.
set -euo pipefail
cli="$(realpath "$1")"
work="$(realpath -m "$2")"
src="$work/src"
out="$work/out"
masks="$(cd "$(dirname "$0")/.." && pwd)/data/masks"

if [ ! -f "$src/done" ]; then
  rm -rf "$src"
  mkdir -p "$src"
  # Gradients and shapes only: the same bytes on every run of the same ImageMagick.
  convert -size 1200x800 gradient:'#2060a0-#e0c040' -fill '#c03020' -draw 'circle 400,300 520,420' \
    -fill '#30a050' -draw 'rectangle 700,200 1000,650' -quality 92 "$src/wide.jpg"
  convert -size 640x960 gradient:'#101010-#f0f0f0' -fill '#4040c0' -draw 'ellipse 320,480 200,300 0,360' \
    "$src/tall.png"
  convert -size 501x333 gradient:'#ff8000-#0080ff' -fill '#ffffff' -draw 'line 0,0 500,332' \
    -compress none "$src/odd.tif"
  touch "$src/done"
fi

rm -rf "$out"
mkdir -p "$out/render" "$out/batch1" "$out/batch2" "$out/batch3" "$out/album1" "$out/album2" "$out/data"
export XDG_DATA_HOME="$out/data"
mkdir -p "$XDG_DATA_HOME/Vellumora/Masks"
cp "$masks"/*.png "$XDG_DATA_HOME/Vellumora/Masks/"

ini="$out/settings.ini"
cat > "$ini" <<EOF
[FULL]
FILENAME=$src/wide.jpg
LEFT=101
TOP=37
RIGHT=1087
BOTTOM=771
ROTATE=-90
CONTRAST=20
BRIGHTNESS=-10
RED=15
GREEN=-5
BLUE=8
MAX=500
KEEP=1
WATERMARK=Vellumora test
POSITION=3
FONTNAME=Liberation Sans
FONTSIZE=18
BOLD=1
OPACITY=160
MASK=oval.png
COLOR=clYellow
OUTSIDE.WIDTH=6
OUTSIDE.COLOR=clNavy
INSIDE.WIDTH=3
INSIDE.COLOR=clWhite
RADIUS=8
OFFSET=6
SHADOW=clGray
BACKGROUND=clWhite

[NEGATIVE]
FILENAME=$src/tall.png
ROTATE=-180
GRAYSCALE=1
NEGATIVE=1
MAX=300
KEEP=0

[ENLARGE]
FILENAME=$src/odd.tif
LEFT=3
TOP=5
RIGHT=400
BOTTOM=330
ROTATE=270
MAX=900
KEEP=1
MASK=star.png
OUTSIDE.WIDTH=4
RADIUS=3
OFFSET=2
EOF

status=0
for section in FULL NEGATIVE ENLARGE; do
  for ext in jpg jpeg gif tif pcx png bmp tga; do
    "$cli" render "$ini" "$section" "$out/render/$section.$ext" >>"$out/messages.txt" 2>&1 || status=1
  done
done
"$cli" batch --settings "$ini" --section FULL --folder "$out/batch1" --type png --prefix p- \
  --suffix -s --case upper --auto-crop "3 * 4" --rotate 90 "$src/wide.jpg" "$src/tall.png" \
  "$src/odd.tif" >>"$out/messages.txt" 2>&1 || status=1
"$cli" batch --folder "$out/batch2" --type jpg --jobs 1 "$src/wide.jpg" "$src/tall.png" \
  "$src/odd.tif" >>"$out/messages.txt" 2>&1 || status=1
"$cli" batch --settings "$ini" --section ENLARGE --folder "$out/batch3" --type tga --case lower \
  --jobs 3 "$src/wide.jpg" "$src/tall.png" "$src/odd.tif" >>"$out/messages.txt" 2>&1 || status=1
"$cli" album --folder "$out/album1" --settings "$ini" --section FULL --title "Title" \
  --columns 2 --width 720 --page-color '#203040' "$src/wide.jpg" "$src/tall.png" "$src/odd.tif" \
  >>"$out/messages.txt" 2>&1 || status=1
# The album from a photos file: the three sections as the window would hand them over.
sed -e 's/^\[FULL\]/[PHOTO1]/' -e 's/^\[NEGATIVE\]/[PHOTO2]/' -e 's/^\[ENLARGE\]/[PHOTO3]/' \
  "$ini" > "$out/photos.dat"
"$cli" album --folder "$out/album2" --photos "$out/photos.dat" --shuffle --jobs 2 \
  >>"$out/messages.txt" 2>&1 || status=1
sed -i "s|$out|OUT|g; s|$src|SRC|g" "$out/messages.txt"
# Files finish in any order on several threads: compare the lines without their running
# count, and not their order.
sed -i -E 's|^\[[0-9]+/[0-9]+\] ||' "$out/messages.txt"
LC_ALL=C sort -o "$out/messages.txt" "$out/messages.txt"

cd "$out"
find . -path ./data -prune -o -type f -print | LC_ALL=C sort | xargs md5sum
exit $status
