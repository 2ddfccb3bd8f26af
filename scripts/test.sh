#!/usr/bin/env bash
# test.sh — builds everything and runs every test: the optimised build, then under ASan+UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
