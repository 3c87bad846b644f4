#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless.
# PRESET=asan runs it under AddressSanitizer and UBSan instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${PRESET:-release}"
bash scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
