#!/usr/bin/env bash
# deps.sh — installs the Debian packages the build and tests need, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev binutils unicode-data)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The 32-bit builds: -m32 for Linux, mingw-w64 for the Windows DLL, GoogleTest's sources to build it
# for both, Wine to run the Windows tests (its services 64-bit, the programs under test 32-bit)
# and qemu-user for kernels that run no 32-bit programs themselves.
cross=(g++-multilib g++-mingw-w64-i686-posix googletest qemu-user wine wine64 wine32:i386)
missing_cross=()
for p in "${cross[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing_cross+=("$p")
done
if ((${#missing[@]} + ${#missing_cross[@]})); then
  echo "installing: ${missing[*]} ${missing_cross[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  if ((${#missing[@]})); then apt-get install -y -qq "${missing[@]}" >/dev/null; fi
  if ((${#missing_cross[@]})); then apt-get install -y -qq --no-install-recommends "${missing_cross[@]}" >/dev/null; fi
fi
bash "$(dirname "$0")/i386-binfmt.sh"
