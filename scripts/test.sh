#!/usr/bin/env bash
# test.sh — builds everything and runs every test: the optimised build, under ASan+UBSan, 32-bit Linux, and the Windows DLL under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
# The 32-bit builds: the layout the host shares, as a 32-bit Linux program (-m32) and as the Windows DLL, whose tests
# run under Wine and include the check of its export and import tables.
echo "== linux32"
cmake --preset linux32 >/dev/null
cmake --build --preset linux32
ctest --preset linux32
echo "== win32"
cmake --preset win32 >/dev/null
cmake --build --preset win32
status=0
ctest --preset win32 || status=$?
scripts/wine/run.sh build-win32/wineprefix --stop
exit "$status"
