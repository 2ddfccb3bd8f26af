#!/usr/bin/env bash
# run.sh — runs one Windows program under Wine for the tests: headless, quiet, in a prefix of the build's own.
#
#   scripts/wine/run.sh PREFIX PROGRAM [ARGUMENTS...]   run PROGRAM; its exit code is ours
#   scripts/wine/run.sh PREFIX --stop                  stop the prefix's Wine server and services
#
# The first run creates PREFIX (a 64-bit prefix: Wine's own services run natively and the 32-bit
# programs under test through WoW64, as on 64-bit Windows) and starts a Wine server that stays for
# a minute after the last program ends, so that the tests do not start Wine's services each time.
# Where 32-bit programs run through qemu-user (scripts/i386-binfmt.sh), fixed_noreplace.c is
# preloaded into them. CTest calls this as the cross-compiling emulator (cmake/mingw-i686.cmake).
set -euo pipefail
prefix=$(realpath -m "$1")
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

if [[ ${1-} == --stop ]]; then
  [[ -d $prefix ]] && wineserver -k 2>/dev/null || true
  exit 0
fi

support=$prefix.support
mkdir -p "$support"
(
  flock 9
  if [[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]]; then
    for lib in i386-linux-gnu:-m32 x86_64-linux-gnu:-m64; do
      so=$support/lib/${lib%%:*}/fixed_noreplace.so
      if [[ ! -e $so || $so -ot $here/fixed_noreplace.c ]]; then
        mkdir -p "$(dirname "$so")"
        gcc "${lib##*:}" -O2 -shared -fPIC -o "$so.tmp" "$here/fixed_noreplace.c" -ldl
        mv "$so.tmp" "$so"
      fi
    done
  fi
) 9>"$support/lock"
if [[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]]; then
  export LD_PRELOAD="$support/\$LIB/fixed_noreplace.so"
fi
# Wine's services outlive the program that started them and keep whatever it was given as output
# open, so that a reader of that output would wait for them: start them here, detached.
quiet() { "$@" 9>&- </dev/null >/dev/null 2>&1; }
(
  flock 9
  # The server writes the registry out only now and then, so its files do not show that the
  # prefix is complete; the marker does.
  if [[ ! -e $support/prefix-ready ]]; then
    echo "run.sh: creating the Wine prefix $prefix" >&2
    mkdir -p "$prefix"
    quiet wineserver -p60 || true
    quiet wine wineboot --init
    touch "$support/prefix-ready"
  elif quiet wineserver -p60; then  # fails when the server is running already
    quiet wine cmd /c exit
  fi
) 9>"$support/lock"

exec wine "$@"
