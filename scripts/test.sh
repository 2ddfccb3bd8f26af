#!/usr/bin/env bash
# test.sh — builds everything and runs every test: the optimised build, under ASan+UBSan, 32-bit Linux, the Windows DLL under
# Wine and a plain Release build (-O3); then builds the packages from the Release and Windows builds and tests them installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
trap 'scripts/wine/run.sh build-win32/wineprefix --stop' EXIT

# The demo installs none of the cross-build, 32-bit or Wine packages.
if bash scripts/deps.sh --list demo | grep -E 'mingw|wine|qemu|multilib|:i386|googletest'; then
  echo "deps.sh demo would install cross-build or Wine packages" >&2
  exit 1
fi

for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
# The 32-bit builds: the layout the host shares, as a 32-bit Linux program (-m32) and as the Windows DLL, whose tests
# run under Wine and include the check of its export and import tables and of its version resource.
echo "== linux32"
cmake --preset linux32 >/dev/null
cmake --build --preset linux32
ctest --preset linux32
echo "== win32"
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32
# The build the Debian package and the .tar.gz come from: a plain Release build, as a packager makes it.
echo "== release"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
# The page: its module under node, then the page itself in chromium, against the Release build's tool.
echo "== page"
bash scripts/web.sh
node --test web/test/bridge.test.cjs
(cd web && npm ci --no-audit --no-fund)
PELTATXT=build-release/tools/peltatxt node --test web/test/page.test.cjs

echo "== packages"
find dist -maxdepth 1 -name 'peltatxt*' ! -name peltatxt.html -delete
cpack --preset linux >/dev/null
cpack --preset win32 >/dev/null
bash scripts/check-packages.sh
