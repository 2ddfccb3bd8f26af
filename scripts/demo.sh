#!/usr/bin/env bash
# demo.sh — builds the plug-in and the tool, then runs the tool on examples/sample.peltatxt: outline, JSON and back, check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh demo

log=$(mktemp)
tmp=$(mktemp -d)
trap 'rm -rf "$log" "$tmp"' EXIT
echo "== building (preset default)"
# Without the tests, so that nothing but the tool's own packages is needed.
if ! { cmake --preset default -DPELTATXT_TESTS=OFF && cmake --build --preset default; } >"$log" 2>&1; then
  tail -n 40 "$log"
  exit 1
fi

tool=build/tools/peltatxt
sample=examples/sample.peltatxt
# Prints a command, then runs it.
step() {
  printf '\n$ %s\n' "$*"
  "$@"
}

step "$tool" info
step "$tool" show "$sample"
step "$tool" to-json "$sample" -o "$tmp/sample.json"
head -n 16 "$tmp/sample.json"
echo "  ... ($(wc -l <"$tmp/sample.json") lines)"
step "$tool" from-json "$tmp/sample.json" "$tmp/copy"
step "$tool" to-json "$tmp/copy.peltatxt" -o "$tmp/copy.json"
step diff "$tmp/sample.json" "$tmp/copy.json"
echo "(no difference: the JSON came back identical)"
step "$tool" check "$sample"
