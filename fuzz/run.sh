#!/usr/bin/env bash
# run.sh — builds the libFuzzer targets with clang under ASan+UBSan and runs one of them.
#
#   bash fuzz/run.sh read_file|round_trip|record_text SECONDS [WORK_DIR]
#
# The fuzzer starts from a copy of the checked-in corpus in WORK_DIR/corpus-TARGET (kept between
# runs, so that later runs go on from what earlier ones found) and writes any failing input to
# WORK_DIR/artifacts-TARGET/. A failing input belongs in fuzz/corpus/TARGET/ as a regression
# case once the fault is fixed. Not part of CI: the checked-in corpus is replayed there instead.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target: read_file, round_trip or record_text}
seconds=${2:?seconds}
work=$(realpath -m "${3:-build-fuzz/work}")
root=$(pwd)
case "$target" in
  read_file) max_len=140000 ;;   # room for a line longer than one 65,535-unit piece
  round_trip | record_text) max_len=4096 ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac
if ! command -v clang++ >/dev/null; then  # Debian's clang brings libFuzzer and the sanitizers
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang >/dev/null
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELTATXT_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target "${target}_fuzzer"
mkdir -p "$work/corpus-$target" "$work/artifacts-$target"
cp -n "fuzz/corpus/$target"/* "$work/corpus-$target/"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$work"  # libFuzzer writes its job logs (fuzz-N.log) into the current directory
exec "$root/build-fuzz/fuzz/${target}_fuzzer" -jobs=1 -workers=1 -max_len="$max_len" -max_total_time="$seconds" \
  -print_final_stats=1 -artifact_prefix="$work/artifacts-$target/" "$work/corpus-$target"
