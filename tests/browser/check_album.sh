#!/usr/bin/env bash
# The ctest "browser_album": builds a Modern album of twelve photos of several shapes with
# the real vellumora-cli and checks it in headless chromium (check_album.mjs).
# Usage: check_album.sh VELLUMORA_CLI WORK_FOLDER
# Fails loudly when chromium, node or the npm packages are missing; the only way to skip
# is to say so: VELLUMORA_NO_BROWSER=reason (exit 77, which ctest reports as skipped).
set -euo pipefail
cli="$1"
work="$2"
here="$(cd "$(dirname "$0")" && pwd)"
export BROWSER_TOOLS="${BROWSER_TOOLS:-$here/../../build/browser-tools}"

if [ -n "${VELLUMORA_NO_BROWSER:-}" ]; then
  echo "SKIP: no browser here: $VELLUMORA_NO_BROWSER" >&2
  exit 77
fi
missing=()
command -v node >/dev/null || missing+=("node (scripts/deps.sh)")
[ -x "${CHROMIUM:-/usr/bin/chromium}" ] || missing+=("chromium (scripts/deps.sh)")
[ -d "$BROWSER_TOOLS/node_modules/puppeteer-core" ] || missing+=("npm packages (scripts/browser-deps.sh)")
command -v convert >/dev/null || missing+=("ImageMagick's convert (scripts/deps.sh)")
if [ ${#missing[@]} -gt 0 ]; then
  echo "FAIL: the browser check cannot run: missing ${missing[*]}" >&2
  echo "      (set VELLUMORA_NO_BROWSER=reason where no browser can be had)" >&2
  exit 1
fi

rm -rf "$work"
mkdir -p "$work/in"
# Landscape, portrait, square, panorama and small photos; names with blanks and markup.
shapes=(2400x1600 1200x1800 1600x1600 3000x1000 900x600 2000x1333
  1500x2250 640x480 2600x1734 1800x1200 1000x1500 2200x1466)
photos=()
for i in "${!shapes[@]}"; do
  name="$work/in/photo $((i + 1)).jpg"
  [ "$i" -eq 1 ] && name="$work/in/Boats & <quay> \"$((i + 1))\".jpg"
  convert -size "${shapes[$i]}" "gradient:#$((i * 7 % 10))36#a$((i % 10))c" \
    -fill white -pointsize 120 -gravity center -annotate 0 "$((i + 1))" "$name"
  photos+=("$name")
done
printf '[T]\nMAX=0\n' >"$work/settings.ini"
"$cli" album --style modern --folder "$work/album" --settings "$work/settings.ini" \
  --section T --title 'Harbour <days> & "nights"' --description $'Two weeks by the sea.\nAll photos & notes.' \
  --copyright '© 2026 A. Example' --page-color '#1D4E89' --camera-details "${photos[@]}" >/dev/null
node "$here/check_album.mjs" "$work/album" "${#photos[@]}"
