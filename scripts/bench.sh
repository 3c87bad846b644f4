#!/usr/bin/env bash
# Builds the release preset and times Vellumora against its peers on the same files in
# one run: one 24 MP JPEG rendered to a 640-pixel JPEG, as whole processes.
# Usage: scripts/bench.sh [RUNS] [formats|scaling|modern]   (formats: only today's formats,
# the last part; scaling: only the batches and albums of 10 to 1,000 photos; modern: only
# the Modern web album against the classic one)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-15}"
only="${2:-all}"
bash scripts/deps.sh --bench
cmake --preset release >/dev/null
cmake --build --preset release --target vellumora-cli bench_render make_test_photo bench_batch >/dev/null

bin=build/release/bin
data=bench/data
mkdir -p "$data"
photo="$data/photo24mp.jpg"
[ -f "$photo" ] || "$bin/make_test_photo" "$photo" 6000 4000 1

export XDG_DATA_HOME="$PWD/$data/xdg"

formats() {
  echo
  echo "== today's formats: a 12 MP HEIC (with its thumbnail), a 12 MP AVIF, a 24 MP JPEG XL"
  echo "   and a 24 MP DNG (with its preview), made from the same kind of picture"
  cmake --build --preset release --target bench_writers bench_switch >/dev/null
  local heic="$data/photo12mp.heic" avif="$data/photo12mp.avif" jxl="$data/photo24mp.jxl"
  local dng="$data/photo24mp.dng" png="$data/photo12mp.png"
  [ -f "$png" ] || "$bin/make_test_photo" "$png" 4000 3000 5
  [ -f "$heic" ] || "$bin/make_test_photo" "$heic" 4032 3024 6
  [ -f "$avif" ] || "$bin/make_test_photo" "$avif" 4000 3000 7
  [ -f "$jxl" ] || "$bin/make_test_photo" "$jxl" 6000 4000 8
  [ -f "$dng" ] || "$bin/make_test_photo" "$dng" 6000 4000 9
  ls -l "$heic" "$avif" "$jxl" "$dng" | awk '{printf "   %-28s %10d bytes\n", $NF, $5}'

  echo
  echo "-- the writers against JPEG at quality 90, on a lossless 12 MP source (goal: smaller"
  echo "   than the JPEG at equal or better PSNR and SSIM)"
  "$bin/bench_writers" "$png" "$data" 3

  echo
  echo "-- vellumora-cli render to 640 px against vipsthumbnail, whole processes"
  local json="$data/formats.json" args=()
  for f in "$heic" "$avif" "$jxl" "$dng"; do
    local ext="${f##*.}" ini="$data/render_${f##*/}.ini"
    printf '[P]\nFILENAME=%s\n' "$(realpath "$f")" > "$ini"
    args+=(-n "vellumora $ext" "$bin/vellumora-cli render $ini P $data/out_vellumora_$ext.jpg")
    # libvips here reads HEIF, AVIF and JPEG XL, not camera raw.
    [ "$ext" = dng ] || args+=(-n "vipsthumbnail $ext" "vipsthumbnail $f -s 640 -o $PWD/$data/out_vips_$ext.jpg[Q=90]")
  done
  hyperfine -N --warmup 1 --runs "$runs" --export-json "$json" "${args[@]}" >/dev/null
  python3 - "$json" <<'PY'
import json, sys
r = {x["command"]: x["median"] * 1000 for x in json.load(open(sys.argv[1]))["results"]}
for name, v in r.items():
    print(f"{name:20s} median {v:7.1f} ms")
for ext in ["heic", "avif", "jxl"]:
    print(f"vellumora / vipsthumbnail, {ext}: {r['vellumora ' + ext] / r['vipsthumbnail ' + ext]:.2f}"
          + ("  (goal: at most 1)" if ext == "heic" else ""))
PY

  echo
  echo "-- the window: switching between the HEIC, the DNG and the AVIF (goal: the first picture,"
  echo "   from the HEIC's thumbnail or the raw's preview, within 60 ms)"
  # The photo clicked cold is the first named: the HEIC, then the DNG.
  QT_QPA_PLATFORM=offscreen "$bin/bench_switch" "$heic" "$dng" "$avif" "$runs" 2>/dev/null
  QT_QPA_PLATFORM=offscreen "$bin/bench_switch" "$dng" "$heic" "$avif" "$runs" 2>/dev/null
}
scaling() {
  echo
  echo "== batches of 10, 100 and 1,000 photos of 2 MP to 640 px, and albums of 10 and 100: time a"
  echo "   photo and peak memory (goal: the memory does not grow with the number of photos)"
  local many="$data/many" i
  mkdir -p "$many"
  # Ten different photos, each copied to a hundred names: the work is the same for every
  # file, and making a thousand would take longer than converting them.
  for i in $(seq 0 9); do
    [ -f "$many/seed$i.jpg" ] || "$bin/make_test_photo" "$many/seed$i.jpg" 1732 1155 "$((i + 20))"
  done
  for i in $(seq 0 999); do
    [ -f "$many/p$i.jpg" ] || cp "$many/seed$((i % 10)).jpg" "$many/p$i.jpg"
  done
  local n files out kind stats
  for kind in batch album; do
    for n in 10 100 1000; do
      [ "$kind" = album ] && [ "$n" = 1000 ] && continue
      files=()
      for i in $(seq 0 $((n - 1))); do files+=("$many/p$i.jpg"); done
      out="$data/out_many"
      rm -rf "$out"
      mkdir -p "$out"
      if [ "$kind" = batch ]; then
        stats=$(/usr/bin/time -f "%e %M" "$bin/vellumora-cli" batch --folder "$out" "${files[@]}" 2>&1 >/dev/null | tail -1)
      else
        stats=$(/usr/bin/time -f "%e %M" "$bin/vellumora-cli" album --folder "$out" "${files[@]}" 2>&1 >/dev/null | tail -1)
      fi
      awk -v kind="$kind" -v n="$n" -v s="$stats" 'BEGIN { split(s, f, " ");
        printf "%-6s of %5d photos: %6.1f ms a photo, peak %6.1f MiB\n", kind, n, f[1] * 1000 / n, f[2] / 1024 }'
    done
  done
}
modern() {
  echo
  echo "== web album styles: 40 photos of 24 MP at 2400 px, classic against Modern (RUNS builds"
  echo "   each); the Modern page's first screen at 375 and 1280 px wide; Lighthouse from a"
  echo "   static server on 127.0.0.1"
  bash scripts/browser-deps.sh
  local handoff="$data/album2400.dat" i f
  : > "$handoff"
  for i in $(seq 1 40); do
    f="$data/batch$i.jpg"
    [ -f "$f" ] || "$bin/make_test_photo" "$f" 6000 4000 "$((i + 1))"
    printf '[PHOTO%d]\nFILENAME=%s\nMAX=2400\n' "$i" "$(realpath "$f")" >> "$handoff"
  done
  hyperfine --runs "$runs" --export-json "$data/album_styles.json" \
    --prepare "rm -rf $data/out_classic $data/out_modern" \
    -n classic "$bin/vellumora-cli album --photos $handoff --folder $data/out_classic" \
    -n modern "$bin/vellumora-cli album --style modern --photos $handoff --folder $data/out_modern" \
    >/dev/null 2>&1
  # Each run starts from empty folders, so the last one left only the Modern album.
  "$bin/vellumora-cli" album --photos "$handoff" --folder "$data/out_classic" >/dev/null 2>&1
  python3 - "$data/album_styles.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
c = r["classic"]["median"]
for name, x in r.items():
    print(f"{name:8s} median {x['median']*1000:7.0f} ms (min {x['min']*1000:.0f}, max {x['max']*1000:.0f})"
          f"  {x['median'] / c:.2f} of the classic build")
PY
  echo "files: classic $(du -sk "$data/out_classic" | cut -f1) KiB, modern $(du -sk "$data/out_modern" | cut -f1) KiB"
  node bench/album_page_weight.mjs "$data/out_modern/Vellumora.htm" 375 812
  node bench/album_page_weight.mjs "$data/out_modern/Vellumora.htm" 1280 800
  node bench/album_page_weight.mjs "$data/out_classic/Vellumora.htm" 1280 800

  # Lighthouse (npm, into build/bench-tools) on the Modern page served from 127.0.0.1.
  local tools="$PWD/build/bench-tools" port=8765 server
  if [ ! -x "$tools/node_modules/.bin/lighthouse" ]; then
    mkdir -p "$tools"
    echo '{"private": true, "dependencies": {"lighthouse": "12.8.2"}}' > "$tools/package.json"
    (cd "$tools" && npm install --no-audit --no-fund --loglevel=error)
  fi
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$data/out_modern" >/dev/null 2>&1 &
  server=$!
  sleep 1
  local preset
  for preset in mobile desktop; do
    local extra=()
    [ "$preset" = desktop ] && extra=(--preset=desktop)
    CHROME_PATH=/usr/bin/chromium "$tools/node_modules/.bin/lighthouse" \
      "http://127.0.0.1:$port/Vellumora.htm" "${extra[@]}" --quiet \
      --chrome-flags="--headless=new --no-sandbox --disable-gpu" \
      --only-categories=performance,accessibility --output=json \
      --output-path="$data/lighthouse-$preset.json" || true
    python3 - "$data/lighthouse-$preset.json" "$preset" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))
c, a = r["categories"], r["audits"]
print(f"lighthouse {sys.argv[2]:7s}: performance {c['performance']['score']*100:.0f}, "
      f"accessibility {c['accessibility']['score']*100:.0f}; LCP {a['largest-contentful-paint']['displayValue']}, "
      f"CLS {a['cumulative-layout-shift']['displayValue']}, total bytes {a['total-byte-weight']['displayValue']}")
PY
  done
  kill "$server"
}
if [ "$only" = formats ]; then
  formats
  exit 0
fi
if [ "$only" = modern ]; then
  modern
  exit 0
fi
if [ "$only" = scaling ]; then
  scaling
  exit 0
fi

echo "== in-process stages"
"$bin/bench_render" "$photo" "$data" 7

ini="$data/render.ini"
printf '[P]\nFILENAME=%s\n' "$(realpath "$photo")" > "$ini"

echo "== whole processes, one 24 MP JPEG to 640 px"
hyperfine -N --warmup 2 --runs "$runs" --export-json "$data/render.json" \
  -n vellumora "$bin/vellumora-cli render $ini P $data/out_vellumora.jpg" \
  -n vipsthumbnail "vipsthumbnail $photo -s 640 -o $PWD/$data/out_vips.jpg[Q=90]" \
  -n convert "convert $photo -resize 640x640 -quality 90 $data/out_convert.jpg" >/dev/null

python3 - "$data/render.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
v = r["vellumora"]["median"]
for name, x in r.items():
    print(f"{name:14s} median {x['median']*1000:7.1f} ms  (min {x['min']*1000:6.1f}, max {x['max']*1000:6.1f})")
print(f"vellumora / vipsthumbnail = {v / r['vipsthumbnail']['median']:.2f}  (goal: at most 1.5)")
print(f"vellumora / convert       = {v / r['convert']['median']:.2f}  (goal: below 1)")
PY

echo
echo "== streaming renders: the same JPEG, whole processes, medians of alternating runs, time"
echo "   and peak memory (goals: render at most 0.8 of vipsthumbnail; render --exact at most"
echo "   1.15 of djpeg's full decode; both at most vipsthumbnail's memory; a quarter crop"
echo "   with --exact below the full decode)"
quarter="$data/quarter.ini"
printf '[P]\nFILENAME=%s\nLEFT=1500\nTOP=1000\nRIGHT=4500\nBOTTOM=3000\n' "$(realpath "$photo")" > "$quarter"
python3 - "$runs" \
  "render=$bin/vellumora-cli render $ini P $data/out_stream.jpg" \
  "vipsthumbnail=vipsthumbnail $photo -s 640 -o $PWD/$data/out_vips.jpg[Q=90]" \
  "render --exact=$bin/vellumora-cli render --exact $ini P $data/out_exact.jpg" \
  "djpeg=djpeg -outfile /dev/null $photo" \
  "quarter --exact=$bin/vellumora-cli render --exact $quarter P $data/out_quarter.jpg" <<'PY'
import shlex, statistics, subprocess, sys, time
runs = int(sys.argv[1])
commands = [arg.split("=", 1) for arg in sys.argv[2:]]
seconds = {name: [] for name, _ in commands}
peak = {name: [] for name, _ in commands}
for round in range(runs + 1):  # the first round warms the caches and is not counted
    for name, command in commands:
        # GNU time reports the command's own peak (a child of this interpreter would count
        # the interpreter's pages it started with); its own cost is the same for all.
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%M", *shlex.split(command)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        elapsed = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit(f"{name} failed: {command}")
        if round:
            seconds[name].append(elapsed)
            peak[name].append(int(done.stderr.split()[-1]) / 1024)  # KiB to MiB
t = {name: statistics.median(v) * 1000 for name, v in seconds.items()}
m = {name: max(v) for name, v in peak.items()}
for name in t:
    print(f"{name:16s} median {t[name]:7.1f} ms  peak {m[name]:6.1f} MiB")
print(f"render / vipsthumbnail          = {t['render'] / t['vipsthumbnail']:.2f}  (goal: at most 0.8)")
print(f"render --exact / djpeg          = {t['render --exact'] / t['djpeg']:.2f}  (goal: at most 1.15)")
print(f"quarter --exact / djpeg         = {t['quarter --exact'] / t['djpeg']:.2f}  (goal: below 1)")
for name in ("render", "render --exact"):
    print(f"{name} memory / vipsthumbnail's = {m[name] / m['vipsthumbnail']:.2f}  (goal: at most 1)")
PY

echo
echo "== batch: 12 photos of 24 MP to 640 px with a watermark and a 10-pixel band, JPEG"
photos=()
for i in $(seq 1 12); do
  f="$data/batch$i.jpg"
  [ -f "$f" ] || "$bin/make_test_photo" "$f" 6000 4000 "$((i + 1))"
  photos+=("$f")
done
printf '[T]\nMAX=640\nWATERMARK=(c) Vellumora\nOUTSIDE.WIDTH=10\n' > "$data/batch.ini"
rm -rf "$data/out_batch" "$data/out_vips" "$data/out_convert"
mkdir -p "$data/out_batch" "$data/out_vips" "$data/out_convert"
convert_loop="for f in ${photos[*]}; do convert -define jpeg:size=1280x1280 \$f -resize 640x640 \
  -fill white -pointsize 16 -gravity southwest -annotate +8+8 '(c) Vellumora' \
  -bordercolor black -border 10 -quality 90 $data/out_convert/\$(basename \$f); done"
hyperfine --warmup 1 --runs "$((runs / 3 + 2))" --export-json "$data/batch.json" \
  -n vellumora "$bin/vellumora-cli batch --settings $data/batch.ini --section T --folder $data/out_batch ${photos[*]}" \
  -n "vellumora --jobs 1" "$bin/vellumora-cli batch --jobs 1 --settings $data/batch.ini --section T --folder $data/out_batch ${photos[*]}" \
  -n vipsthumbnail "vipsthumbnail ${photos[*]} -s 640 -o $PWD/$data/out_vips/%s.jpg[Q=90]" \
  -n convert "$convert_loop" >/dev/null 2>&1

python3 - "$data/batch.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
v = r["vellumora"]["median"]
for name, x in r.items():
    print(f"{name:20s} median {x['median']*1000:7.0f} ms  (min {x['min']*1000:6.0f}, max {x['max']*1000:6.0f})")
print(f"vellumora / vipsthumbnail = {v / r['vipsthumbnail']['median']:.2f}  (goal: at most 1)")
print(f"vellumora / convert       = {v / r['convert']['median']:.2f}  (goal: below 0.33)")
PY

echo
echo "== metadata: the same 12 photos carrying camera metadata (EXIF with a 1 KB maker note and a"
echo "   thumbnail, XMP, IPTC), kept against --strip-metadata (goal: at most 5 ms a photo more;"
echo "   both read the metadata, for the orientation, so this is the cost of writing it)"
rm -rf "$data/meta" && mkdir -p "$data/meta/out"
thumb="$data/meta/thumb.jpg"
convert -size 160x120 xc:gray "$thumb"
meta_photos=()
for i in $(seq 1 12); do
  f="$data/meta/batch$i.jpg"
  cp "$data/batch$i.jpg" "$f"
  exiv2 -q -M"set Exif.Image.Make Vellum Optics" -M"set Exif.Image.Model VX-1" \
    -M"set Exif.Photo.DateTimeOriginal 2024:05:17 10:42:07" -M"set Exif.Image.Artist Ann Example" \
    -M"set Exif.Image.Copyright (c) Ann Example" -M"set Exif.Image.Orientation 1" \
    -M"set Exif.GPSInfo.GPSLatitude 59/1 20/1 0/1" -M"set Exif.Photo.BodySerialNumber SN1" \
    -M"set Exif.Photo.MakerNote Undefined $(python3 -c 'print(" ".join(["90"] * 1024))')" \
    -M"set Xmp.dc.subject harbour" -M"set Iptc.Application2.Keywords boats" mo "$f"
  cp "$thumb" "$data/meta/batch$i-thumb.jpg"
  exiv2 -q -it "$f"
  meta_photos+=("$f")
done
hyperfine --warmup 1 --runs "$((runs / 3 + 2))" --export-json "$data/meta.json" \
  -n kept "$bin/vellumora-cli batch --settings $data/batch.ini --section T --folder $data/meta/out ${meta_photos[*]}" \
  -n stripped "$bin/vellumora-cli batch --strip-metadata --settings $data/batch.ini --section T --folder $data/meta/out ${meta_photos[*]}" \
  >/dev/null 2>&1
python3 - "$data/meta.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
for name, x in r.items():
    print(f"{name:10s} median {x['median']*1000:7.0f} ms  (min {x['min']*1000:6.0f}, max {x['max']*1000:6.0f})")
per = (r["kept"]["median"] - r["stripped"]["median"]) * 1000 / 12
print(f"metadata costs {per:.1f} ms a photo (goal: at most 5)")
PY

echo
echo "== web album: 40 photos of 24 MP exported with the page, against the batch of the same"
echo "   photos to JPEG (one run; goal: the album within 1.1 times the batch)"
cmake --build --preset release --target bench_album >/dev/null
album_photos=()
handoff="$data/album.dat"
: > "$handoff"
for i in $(seq 1 40); do
  f="$data/batch$i.jpg"
  [ -f "$f" ] || "$bin/make_test_photo" "$f" 6000 4000 "$((i + 1))"
  album_photos+=("$f")
  printf '[PHOTO%d]\nFILENAME=%s\nMAX=640\nWATERMARK=(c) Vellumora\nOUTSIDE.WIDTH=10\n' \
    "$i" "$(realpath "$f")" >> "$handoff"
done
rm -rf "$data/out_album" "$data/out_album_dialog" "$data/out_batch40"
mkdir -p "$data/out_batch40"
hyperfine --runs 1 --export-json "$data/album.json" \
  -n "vellumora-cli album" "$bin/vellumora-cli album --photos $handoff --folder $data/out_album" \
  -n "vellumora-cli batch" "$bin/vellumora-cli batch --settings $data/batch.ini --section T --folder $data/out_batch40 ${album_photos[*]}" \
  >/dev/null 2>&1
QT_QPA_PLATFORM=offscreen "$bin/bench_album" "$handoff" "$PWD/$data/out_album_dialog" 2>/dev/null \
  | tee "$data/album_dialog.txt"
python3 - "$data/album.json" "$data/album_dialog.txt" <<'PY'
import json, re, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
dialog = int(re.search(r"in (\d+) ms", open(sys.argv[2]).read()).group(1)) / 1000
batch = r["vellumora-cli batch"]
for name, t in list(r.items()) + [("album dialog", dialog)]:
    print(f"{name:20s} {t*1000:7.0f} ms  ({t / batch:.2f} of the batch)")
PY

echo
echo "== main window: Open... and a photo-button click until the photo is shown, beside the CLI render"
cmake --build --preset release --target bench_gui bench_dialogs >/dev/null
second="$data/batch1.jpg"
QT_QPA_PLATFORM=offscreen "$bin/bench_gui" "$photo" "$second" 11 2>/dev/null
hyperfine -N --warmup 2 --runs "$runs" "$bin/vellumora-cli render $ini P $data/out_vellumora.jpg" 2>/dev/null | grep -E 'Time|Range'

echo
echo "== switching between three 24 MP photos: a click until the first picture and the exact one are"
echo "   painted, prepared neighbour or not, and the longest block of the event loop"
echo "   (goals: first picture within 60 ms, a prepared neighbour's exact picture within 40 ms,"
echo "   the event loop never blocked over 50 ms); vipsthumbnail's shrink-on-load of the same file"
echo "   to 640 px is the reference for the first picture"
cmake --build --preset release --target bench_switch >/dev/null
QT_QPA_PLATFORM=offscreen "$bin/bench_switch" "$photo" "$data/batch1.jpg" "$data/batch2.jpg" 11 \
  2>/dev/null | tee "$data/switch.txt"
hyperfine -N --warmup 2 --runs "$runs" --export-json "$data/vips640.json" \
  "vipsthumbnail $photo -s 640 -o $PWD/$data/out_vips_switch.jpg[Q=90]" >/dev/null
python3 - "$data/switch.txt" "$data/vips640.json" <<'PY'
import json, re, sys
firsts = [float(x) for x in re.findall(r"first picture painted\s+median\s+([\d.]+)", open(sys.argv[1]).read())]
vips = json.load(open(sys.argv[2]))["results"][0]["median"] * 1000
print(f"vipsthumbnail, whole process: median {vips:.1f} ms")
for how, first in zip(["sketches kept", "no sketch kept"], firsts):
    print(f"first picture / vipsthumbnail, {how}: {first / vips:.2f}")
PY

echo
echo "== edit dialogs on the 24 MP photo already open: until the pictures are painted, and one preview step"
echo "   (goals: open within 60 ms, the crop preview after a pointer release within 30 ms, a colour step within 2 ms),"
echo "   then OK in Border at full size with a radius-20 shadow (goal: the event loop never blocked over 50 ms)"
QT_QPA_PLATFORM=offscreen "$bin/bench_dialogs" "$photo" 11 2>/dev/null

echo
echo "== batch dialog: 40 photos of 24 MP, added (thumbnails) and built with the settings above"
photos40=()
for i in $(seq 1 40); do
  f="$data/batch$i.jpg"
  [ -f "$f" ] || "$bin/make_test_photo" "$f" 6000 4000 "$((i + 1))"
  photos40+=("$f")
done
cores="$(nproc)"
rm -rf "$data/out_cli40"
mkdir -p "$data/out_cli40"
hyperfine --warmup 1 --runs "$((runs / 3 + 2))" --export-json "$data/batch40.json" \
  -n "djpeg -scale 1/8 on $cores cores" \
  "printf '%s\\n' ${photos40[*]} | xargs -n1 -P $cores djpeg -scale 1/8 -outfile /dev/null" \
  -n "vellumora-cli batch" \
  "$bin/vellumora-cli batch --settings $data/batch.ini --section T --folder $data/out_cli40 ${photos40[*]}" \
  >/dev/null 2>&1
QT_QPA_PLATFORM=offscreen "$bin/bench_batch" "$data/batch.ini" T "$data/out_dialog40" \
  "$((runs / 3 + 2))" "${photos40[@]}" 2>/dev/null | tee "$data/batch40_dialog.txt"
python3 - "$data/batch40.json" "$data/batch40_dialog.txt" <<'PY'
import json, re, sys
r = {x["command"]: x["median"] * 1000 for x in json.load(open(sys.argv[1]))["results"]}
d = {m.group(1): float(m.group(2)) for m in re.finditer(r"^(.*?): median (\d+)", open(sys.argv[2]).read(), re.M)}
djpeg = next(v for k, v in r.items() if k.startswith("djpeg"))
cli = r["vellumora-cli batch"]
for name, v in r.items():
    print(f"{name:28s} median {v:7.0f} ms")
print(f"dialog add / djpeg 1/8      = {d['add 40 photos'] / djpeg:.2f}  (goal: at most 1.5)")
print(f"dialog build / cli batch    = {d['build 40 photos'] / cli:.2f}  (goal: at most 1.1)")
PY

formats
scaling
modern
