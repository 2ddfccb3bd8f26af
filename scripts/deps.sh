#!/usr/bin/env bash
# deps.sh — installs the Debian packages the build and tests need, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev binutils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
