#!/usr/bin/env bash
# Builds the release preset and times Vellumora against its peers on the same files in
# one run: one 24 MP JPEG rendered to a 640-pixel JPEG, as whole processes.
# Usage: scripts/bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-15}"
bash scripts/deps.sh --bench
cmake --preset release >/dev/null
cmake --build --preset release --target vellumora-cli bench_render make_test_photo >/dev/null

bin=build/release/bin
data=bench/data
mkdir -p "$data"
photo="$data/photo24mp.jpg"
[ -f "$photo" ] || "$bin/make_test_photo" "$photo" 6000 4000 1

echo "== in-process stages"
"$bin/bench_render" "$photo" "$data/out_stages.jpg" 7

ini="$data/render.ini"
printf '[P]\nFILENAME=%s\n' "$(realpath "$photo")" > "$ini"
export XDG_DATA_HOME="$PWD/$data/xdg"

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
