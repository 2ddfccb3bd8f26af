#!/usr/bin/env bash
# deps.sh — installs the Debian packages one task needs, when any is missing.
#
#   bash scripts/deps.sh demo      build the plug-in and the tool (scripts/demo.sh)
#   bash scripts/deps.sh deb       also help2man for the manual page (scripts/package.sh linux)
#   bash scripts/deps.sh package   also mingw-w64 for the Windows DLL (scripts/package.sh)
#   bash scripts/deps.sh bench     the demo's and the benchmark library (bench/run, which builds no tests)
#   bash scripts/deps.sh web       emscripten and nlohmann-json for the page (scripts/web.sh)
#   bash scripts/deps.sh test      also GoogleTest, -m32, Wine, qemu-user, lintian, man and LibreOffice Calc, and chromium for the page's tests (scripts/test.sh)
#   bash scripts/deps.sh --list TASK   prints the packages TASK needs, installs nothing
#
# Only the test task adds the i386 architecture (for Wine's 32-bit side) and registers qemu-i386
# for kernels that run no 32-bit programs themselves (scripts/i386-binfmt.sh).
set -euo pipefail
list_only=0
if [[ ${1-} == --list ]]; then
  list_only=1
  shift
fi
task=${1:-test}
demo=(cmake ninja-build g++ nlohmann-json3-dev libcli11-dev unicode-data)
bench=("${demo[@]}" libbenchmark-dev)
# The Debian package's manual page comes from the tool's help through help2man.
deb=("${demo[@]}" help2man)
# The Windows DLL and tool: mingw-w64 with the posix thread model; binutils for objdump and strip.
package=("${deb[@]}" binutils g++-mingw-w64-i686-posix)
# GoogleTest, the benchmark library, GoogleTest's sources to build it for the 32-bit builds, -m32
# for 32-bit Linux, Wine to run the Windows tests (its services 64-bit, the programs under test
# 32-bit) and qemu-user for kernels that run no 32-bit programs themselves; lintian and man for
# the Debian package (scripts/check-packages.sh); LibreOffice Calc without its desktop parts, to
# open to-csv's output as a user's spreadsheet does.
# The page: Debian's emscripten (node and npm come with the machine, from NodeSource).
web=(cmake ninja-build nlohmann-json3-dev emscripten)
test=("${package[@]}" libgtest-dev libbenchmark-dev googletest g++-multilib qemu-user wine wine64 wine32:i386
  lintian man-db emscripten chromium libreoffice-calc-nogui)
case "$task" in
  demo) packages=("${demo[@]}") ;;
  deb) packages=("${deb[@]}") ;;
  bench) packages=("${bench[@]}") ;;
  package) packages=("${package[@]}") ;;
  web) packages=("${web[@]}") ;;
  test) packages=("${test[@]}") ;;
  *) echo "deps.sh: unknown task $task (demo, deb, bench, package, web or test)" >&2; exit 2 ;;
esac
if ((list_only)); then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ $task == test ]]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  # A mirror in the middle of a sync fails one index now and then: try again, then go on with the
  # indexes that did arrive (the install below fails if what it needs is missing).
  apt-get update -qq || { sleep 20; apt-get update -qq; } || echo "deps.sh: some package indexes did not update; going on" >&2
  # The cross-build and Wine packages without their recommendations (Wine's are large).
  plain=() cross=()
  for p in "${missing[@]}"; do
    case "$p" in
      *mingw* | googletest | g++-multilib | qemu-user | wine* | libreoffice*) cross+=("$p") ;;
      *) plain+=("$p") ;;
    esac
  done
  if ((${#plain[@]})); then apt-get install -y -qq "${plain[@]}" >/dev/null; fi
  # When a security index of one architecture did not arrive, the two architectures of a shared
  # library come in different versions and Wine's 32-bit side cannot be installed; the release's
  # own archive holds both at one version, so the second try takes its packages first.
  if ((${#cross[@]})); then
    cross_install() { apt-get install -y -qq --no-install-recommends "$@" "${cross[@]}" >/dev/null; }
    cross_install || { . /etc/os-release && echo "deps.sh: trying the $VERSION_CODENAME archive's versions" >&2 && cross_install -t "$VERSION_CODENAME"; }
  fi
fi
if [[ $task == test ]]; then
  bash "$(dirname "$0")/i386-binfmt.sh"
fi
