#!/usr/bin/env bash
# Makes docs/screenshots/batch-dialog.png: the batch dialog with 20 photos of 24 MP and a
# run in progress, in the real program under Xvfb and openbox, driven by keys. A manual
# script (it waits on the clock); scripts/bench.sh makes the photos.
# Usage: scripts/screenshot-batch.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$PWD/build/release/bin"
data="$PWD/bench/data"
out="$PWD/docs/screenshots/batch-dialog.png"
for i in $(seq 1 20); do
  f="$data/batch$i.jpg"
  [ -f "$f" ] || "$bin/make_test_photo" "$f" 6000 4000 "$((i + 1))"
done

# A home of its own: the default template (3000 pixels, a watermark, a band and a shadow,
# so that a run lasts long enough to be seen) and the pictures folder the dialog offers.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.local/share/Vellumora"
printf '[DEFAULT]\nDEFAULT=Print\n[Print]\nMAX=3000\nWATERMARK=(c) Vellumora\nOUTSIDE.WIDTH=24\nRADIUS=12\nOFFSET=10\n' \
  > "$home/.local/share/Vellumora/Templates.dat"

names=""
for i in $(seq 1 20); do names+="\"batch$i.jpg\" "; done

HOME="$home" XDG_DATA_HOME="$home/.local/share" xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  openbox >/dev/null 2>&1 &
  sleep 1
  '$bin/vellumora' '$data/batch1.jpg' >/dev/null 2>&1 &
  sleep 4
  xdotool key Escape                 # the about box
  sleep 2
  xdotool key ctrl+t                 # Batch with Current Settings...
  sleep 1
  xdotool key Tab space              # Add
  sleep 2
  xdotool type --delay 5 '$data/'
  xdotool key Return
  sleep 1
  xdotool type --delay 5 '$names'
  xdotool key Return
  sleep 4                            # the thumbnails
  xdotool key Tab space              # Auto Crop
  xdotool key Tab Tab Tab            # Ratio, Type, Prefix
  xdotool type 'print_'
  xdotool key Tab Tab Tab Tab Tab space   # Case, Suffix, Folder, Browse, Build
  sleep 1.2
  import -window \"\$(xdotool search --name 'Batch with Current Settings' | head -1)\" -frame '$out'
  sleep 6
"
ls -l "$out"
