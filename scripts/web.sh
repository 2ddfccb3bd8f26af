#!/usr/bin/env bash
# web.sh — builds the page: the codec and the tool's record formats in WebAssembly, inlined with the page into dist/peltatxt.html.
#
#   bash scripts/web.sh          installs what it needs (Debian's emscripten), builds, writes dist/peltatxt.html
#
# The page is one file that works opened from disk or from any static web server and sends
# nothing anywhere. The packages carry it when it is there as they are built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh web
# Debian's emscripten finds its acorn among Debian's shared node modules, which a node from
# elsewhere (NodeSource's) does not search by itself.
if [[ -d /usr/share/nodejs/acorn ]]; then
  export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
fi
emcmake cmake -S web -B build/web -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
nice cmake --build build/web -j2
node web/assemble.cjs build/web dist/peltatxt.html
