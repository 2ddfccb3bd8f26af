#!/usr/bin/env bash
# package.sh — builds the packages into dist/: the Windows zip for the host's users (32-bit DLL and tool), and for
# Linux a Debian package and a .tar.gz (tool, plug-in, header, CMake package); each carries the page (scripts/web.sh).
#
#   bash scripts/package.sh          all three (installs mingw-w64 for the Windows zip)
#   bash scripts/package.sh linux    only the Debian package and the .tar.gz
#
# The same presets as scripts/test.sh, without the tests; test.sh builds the packages again from
# its tested builds and checks them installed (scripts/check-packages.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
case "$what" in
  all) bash scripts/deps.sh package ;;
  linux) bash scripts/deps.sh deb ;;
  *) echo "package.sh: all or linux" >&2; exit 2 ;;
esac
mkdir -p dist
# The packages of an earlier run go; the page, which every package carries, is built first.
find dist -maxdepth 1 -name 'peltatxt*' ! -name peltatxt.html -delete
echo "== the page"
bash scripts/web.sh
echo "== Linux: Debian package and .tar.gz"
cmake --preset release -DPELTATXT_TESTS=OFF >/dev/null
cmake --build --preset release
cpack --preset linux >/dev/null
if [[ $what == all ]]; then
  echo "== Windows zip"
  cmake --preset win32 -DPELTATXT_TESTS=OFF >/dev/null
  cmake --build --preset win32
  cpack --preset win32 >/dev/null
fi
echo
ls -l dist/peltatxt*
