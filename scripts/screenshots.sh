#!/usr/bin/env bash
# Makes screenshots in docs/screenshots/ of the real program under Xvfb and openbox, driven
# by keys and the pointer. A manual script (it waits on the clock); the photos are made
# with the bench tool make_test_photo into bench/data.
# Usage: scripts/screenshots.sh [SHOT...]   (all of them when none is named)
#   batch-dialog          the batch dialog with 20 photos of 24 MP and a run in progress
#   empty-window          the window with no photo, saying how to begin
#   fit-mode              Fit to Window on a 24 MP photo shown at its full size, with the
#                         Zoom menu open on the checked Fit to Window
#   fullscreen            that photo in full screen, fitted, the bars out of the way
#   crop-dialog-enlarged  the Crop dialog enlarged, with a selection, its handles and the
#                         selection's size and ratio under the photo
#   modern-album-phone    a Modern web album of twelve photos on a 375-pixel phone screen
#   modern-album-desktop  the same album in a 1280 x 800 browser window
#   modern-album-viewer   its viewer open on photo 3 (the address ends in #3)
#                         (these three: the real vellumora-cli and headless chromium)
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$PWD/build/release/bin"
data="$PWD/bench/data"
shots="$PWD/docs/screenshots"
all=(batch-dialog empty-window fit-mode fullscreen crop-dialog-enlarged
  modern-album-phone modern-album-desktop modern-album-viewer)

# --- Inside the X server (the script runs itself again under xvfb-run) ---

# Waits until a window of that title is there and prints its id.
await_window() {
  for _ in $(seq 1 100); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)" && [ -n "$id" ] &&
      { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window named '$1'" >&2
  return 1
}

# A window's client area on the screen: its left, top, width and height.
client_box() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^  Width/ {w=$NF} /^  Height/ {h=$NF} END {print x, y, w, h}'
}

# Crops a capture of the whole screen to the window and its frame, so that menus the
# window has open (windows of their own) are in it too.
capture_with_menus() {
  local x y w h l r t b
  read -r x y w h < <(client_box "$1")
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  import -window root -crop "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))" +repage "$2"
}

inside() {
  openbox >/dev/null 2>&1 &
  sleep 1
  case "$1" in
    batch-dialog)
      "$bin/vellumora" "$data/batch1.jpg" >/dev/null 2>&1 &
      sleep 4
      xdotool key Escape                 # the about box
      sleep 2
      xdotool key ctrl+t                 # Batch with Current Settings...
      sleep 1
      xdotool key Tab space              # Add
      sleep 2
      xdotool type --delay 5 "$data/"
      xdotool key Return
      sleep 1
      names=""
      for i in $(seq 1 20); do names+="\"batch$i.jpg\" "; done
      xdotool type --delay 5 "$names"
      xdotool key Return
      sleep 4                            # the thumbnails
      xdotool key Tab space              # Auto Crop
      xdotool key Tab Tab Tab            # Ratio, Type, Prefix
      xdotool type 'print_'
      xdotool key Tab Tab Tab Tab Tab space   # Case, Suffix, Folder, Browse, Build
      sleep 1.2
      import -window "$(await_window 'Batch with Current Settings')" -frame "$2"
      sleep 6
      ;;
    empty-window)
      "$bin/vellumora" >/dev/null 2>&1 &
      main="$(await_window '^Vellumora$')"
      sleep 2
      import -window "$main" -frame "$2"
      ;;
    fit-mode)
      "$bin/vellumora" "$data/view1.jpg" >/dev/null 2>&1 &
      main="$(await_window '^Vellumora - ')"
      sleep 3                            # the sharp picture after the preview
      xdotool key ctrl+0                 # Fit to Window
      sleep 1
      xdotool mousemove 1590 990         # out of the way of the menu
      xdotool key alt+f
      sleep 0.5
      xdotool key z                      # File > Zoom
      sleep 0.5
      for _ in $(seq 1 9); do xdotool key Down; done   # from 33% down to Fit to Window
      sleep 0.5
      capture_with_menus "$main" "$2"
      xdotool key Escape Escape
      ;;
    fullscreen)
      "$bin/vellumora" "$data/view1.jpg" >/dev/null 2>&1 &
      await_window '^Vellumora - ' >/dev/null
      sleep 3
      xdotool mousemove 800 600          # on the photo: the bars stay away
      xdotool key ctrl+0 F11
      sleep 2
      # Half size: the whole screen of a detailed photo is otherwise megabytes.
      import -window root -resize 50% "$2"
      ;;
    crop-dialog-enlarged)
      "$bin/vellumora" "$data/view1.jpg" >/dev/null 2>&1 &
      await_window '^Vellumora - ' >/dev/null
      sleep 3
      xdotool key ctrl+c                 # Crop...
      crop="$(await_window '^Crop$')"
      sleep 1
      xdotool windowmove "$crop" 100 40 windowsize "$crop" 1300 900
      sleep 1.5
      read -r x y _ _ < <(client_box "$crop")
      # A drag on the enlarged photo, step by step as a hand makes it.
      xdotool mousemove "$((x + 320))" "$((y + 270))" mousedown 1
      for i in $(seq 1 10); do
        xdotool mousemove "$((x + 320 + i * 48))" "$((y + 270 + i * 36))"
        sleep 0.05
      done
      xdotool mouseup 1
      sleep 1
      xdotool mousemove 1590 990         # the pointer's shape is no part of the picture
      sleep 0.5
      import -window "$crop" -frame "$2"
      ;;
  esac
}

if [ "${1:-}" = "--inside" ]; then
  inside "$2" "$3"
  exit
fi

# --- Outside: the photos, a home of its own for each shot, the X server ---

# The Modern album of twelve test photos of several shapes, built once into bench/data.
modern_album() {
  local album="$data/modern-album"
  [ -f "$album/Vellumora.htm" ] && return
  local shapes=(3000x2000 2000x3000 2400x2400 3600x1200 3000x2000 2400x1600
    2000x3000 3000x2000 3000x1688 3000x2000 2000x3000 3000x2000) photos=()
  for i in "${!shapes[@]}"; do
    f="$data/album$((i + 1)).jpg"
    [ -f "$f" ] || "$bin/make_test_photo" "$f" "${shapes[$i]%x*}" "${shapes[$i]#*x}" "$((i + 3))"
    photos+=("$f")
  done
  printf '[T]\nMAX=0\n' > "$data/modern-album.ini"
  "$bin/vellumora-cli" album --style modern --folder "$album" --settings "$data/modern-album.ini" \
    --section T --title "A week by the harbour" \
    --description "Twelve photos from the north quay, morning to night." \
    --copyright "(c) 2026 A. Example" --page-color '#1D4E89' "${photos[@]}" >/dev/null
}

# A headless chromium screenshot of the page: WIDTHxHEIGHT, the scale, the address's end.
shoot_page() {
  local shot="$1" size="$2" scale="$3" fragment="$4"
  modern_album
  bash scripts/browser-deps.sh
  node scripts/screenshot-page.mjs "file://$data/modern-album/Vellumora.htm$fragment" \
    "$shots/$shot.png" "${size%x*}" "${size#*x}" "$scale"
  ls -l "$shots/$shot.png"
}

shoot() {
  local shot="$1" home screen="1600x1000"
  case "$shot" in
    modern-album-phone) shoot_page "$shot" 375x812 1 ""; return ;;
    modern-album-desktop) shoot_page "$shot" 1280x800 1 ""; return ;;
    modern-album-viewer) shoot_page "$shot" 1280x800 1 "#3"; return ;;
  esac
  home="$(mktemp -d)"
  local folder="$home/.local/share/Vellumora"
  mkdir -p "$folder"
  case "$shot" in
    batch-dialog)
      for i in $(seq 1 20); do
        f="$data/batch$i.jpg"
        [ -f "$f" ] || "$bin/make_test_photo" "$f" 6000 4000 "$((i + 1))"
      done
      # The default template (3000 pixels, a watermark, a band and a shadow, so that a
      # run lasts long enough to be seen); the about box opens as at a first start.
      printf '[DEFAULT]\nDEFAULT=Print\n[Print]\nMAX=3000\nWATERMARK=(c) Vellumora\nOUTSIDE.WIDTH=24\nRADIUS=12\nOFFSET=10\n' \
        > "$folder/Templates.dat"
      screen="1280x800"
      ;;
    *)
      [ -f "$data/view1.jpg" ] || "$bin/make_test_photo" "$data/view1.jpg" 6000 4000 1
      # A default template at the original size, so that the 24 MP photo is shown whole
      # and at its own size; no about box; a window that is not maximised.
      printf '[DEFAULT]\nDEFAULT=Full size\n[Full size]\nMAX=0\n' > "$folder/Templates.dat"
      printf '[APPLICAITON]\nSHOWABOUT=0\n[WINDOW]\nLEFT=40\nTOP=30\nWIDTH=1100\nHEIGHT=700\nMAXIMIZED=0\n' \
        > "$folder/Vellumora.dat"
      ;;
  esac
  HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --inside "$shot" "$shots/$shot.png"
  rm -rf "$home"
  ls -l "$shots/$shot.png"
}

mkdir -p "$data"
[ $# -gt 0 ] || set -- "${all[@]}"
for shot in "$@"; do
  case " ${all[*]} " in
    *" $shot "*) shoot "$shot" ;;
    *) echo "unknown shot: $shot (one of: ${all[*]})" >&2; exit 2 ;;
  esac
done
