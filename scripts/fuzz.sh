#!/usr/bin/env bash
# Builds the fuzz targets (the "fuzz" preset: clang, AddressSanitizer, UBSan) and runs
# them. Usage:
#   bash scripts/fuzz.sh TARGET SECONDS   one target, e.g. load_jpg 600
#   bash scripts/fuzz.sh all SECONDS      every target in turn, SECONDS each (CI)
#   bash scripts/fuzz.sh list             the targets
# Each target starts from the seeds that make_fuzz_seeds writes (files made as the tests
# make them) and from what earlier runs kept in build/fuzz/corpus/TARGET. A crash, a
# leak, an input that takes longer than 60 s or more memory than the limit below stops
# the run, keeps the input in build/fuzz/findings/TARGET and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(load_jpg load_png load_tif load_bmp load_gif load_pcx load_tga load_webp load_jp2
  load_heic load_avif load_jxl load_dng metadata settings album_page arguments)

if [ "${1:-}" = list ]; then printf '%s\n' "${targets[@]}"; exit 0; fi
if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: bash scripts/fuzz.sh TARGET|all SECONDS, or bash scripts/fuzz.sh list" >&2
  exit 2
fi
wanted=("$1")
[ "$1" = all ] && wanted=("${targets[@]}")
for t in "${wanted[@]}"; do
  [[ " ${targets[*]} " == *" $t "* ]] || { echo "no fuzz target $t" >&2; exit 2; }
done

bash scripts/deps.sh
if command -v ccache >/dev/null; then export CMAKE_CXX_COMPILER_LAUNCHER=ccache; fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

out=build/fuzz
rm -rf "$out/seeds"
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$out/bin/make_fuzz_seeds" "$out/seeds"

export QT_QPA_PLATFORM=offscreen
# What the libraries keep for the whole process, or lose on their own, is not an input's
# leak; fuzz/lsan.supp names it.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for t in "${wanted[@]}"; do
  corpus="$out/corpus/$t" findings="$out/findings/$t"
  mkdir -p "$corpus" "$findings"
  seeds="$out/seeds/$t"
  [ -d "$seeds" ] || seeds=""
  # The loaders also replay the inputs that found faults before (a test_codec row each).
  [[ "$t" == load_* ]] && seeds="$seeds tests/codec/findings"
  echo "=== fuzz_$t for $2 s" >&2
  # Its output and the libraries' own notes (libwmf prints to the standard output) go to
  # the log; the summary lines are printed below.
  # A picture may be as large as the codec accepts (268 MP, 1 GiB in memory) however
  # short the file (a BMP's reader fills the rows a file lacks), so the limits leave
  # room for one such picture, the decoder's own buffers, and the seconds AddressSanitizer
  # takes to fill it.
  if ! "$out/bin/fuzz_$t" -max_total_time="$2" -timeout=60 -rss_limit_mb=3072 \
    -malloc_limit_mb=2560 -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" $seeds >"$out/fuzz_$t.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "$out/fuzz_$t.log" >&2
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added)|cov: ' "$out/fuzz_$t.log" | tail -n 3 >&2 || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in $out/findings)" >&2
  exit 1
fi
