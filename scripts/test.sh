#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless.
# PRESET=asan runs it under AddressSanitizer and UBSan instead; PRESET=tsan runs the tests
# labelled "threads" under ThreadSanitizer (its test preset selects them).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${PRESET:-release}"
case "$preset" in
  release | asan | tsan) ;;
  *) echo "PRESET must be release, asan or tsan, not '$preset'" >&2; exit 2 ;;
esac
bash scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
