#!/usr/bin/env bash
# check-packages.sh — tests the packages in dist/ as users get them, not the build trees they came from.
#
#   bash scripts/check-packages.sh     (scripts/test.sh runs it after building the packages)
#
# lintian must find no error and no warning in the Debian package. It is unpacked into a temporary
# root, where man finds its manual page, and the .tar.gz into another, the build
# tree's plug-in is deleted, and each installed tool checks and converts the sample; a C host is
# built against the installed CMake package and run; the same host is built in a project that
# takes peltatxt in with add_subdirectory and with FetchContent; the Windows zip is unpacked and
# its peltatxt.exe runs the sample under Wine with the peltatxt.dll beside it, and the version
# resources of both are read back.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
version=$(sed -n 's/^project(peltatxt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
sample=examples/sample.peltatxt
golden=tests/cli/golden/sample.json
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check-packages: $*" >&2
  exit 1
}
step() {
  printf '\n$ %s\n' "$*"
  "$@"
}

deb=dist/peltatxt_${version}_amd64.deb
tgz=dist/peltatxt-${version}-linux-amd64.tar.gz
zip=dist/peltatxt-${version}-win32.zip
for f in "$deb" "$tgz" "$zip"; do [[ -f $f ]] || fail "missing $f"; done

# Nothing may fall back on the build tree's plug-in.
rm -f build-release/libpeltatxt.so

# Runs an installed tool on the sample: check, to-json (equal to the golden JSON) and info (the
# library it loaded must be the installed one, given as $2).
check_tool() {
  local tool=$1 expected_plugin=$2
  step "$tool" check "$sample"
  step "$tool" to-json "$sample" -o "$work/sample.json"
  cmp "$work/sample.json" "$golden" || fail "$tool: to-json differs from $golden"
  local info
  info=$("$tool" info)
  echo "$info"
  [[ $(realpath "$(sed -n 's/^library  *//p' <<<"$info")") == $(realpath "$expected_plugin") ]] ||
    fail "$tool loaded another plug-in than $expected_plugin"
  [[ $("$tool" --version) == "peltatxt $version" ]] || fail "$tool: --version is not $version"
}

echo "== the Debian package: lintian, then unpacked into a temporary root"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\|Maintainer\):/  \1:/p'
step lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings in $deb"
dpkg-deb -x "$deb" "$work/deb"
multiarch=$(gcc -print-multiarch)
# The plug-in in its private module directory.
check_tool "$work/deb/usr/bin/peltatxt" "$work/deb/usr/lib/$multiarch/peltatxt/libpeltatxt.so"
# The manual page, as man finds it once installed, lists every subcommand of the tool's help.
manual=$(MANPATH="$work/deb/usr/share/man" MANWIDTH=100 man -P cat peltatxt) || fail "man peltatxt failed"
for sub in $("$work/deb/usr/bin/peltatxt" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z-]*\) .*/\1/p'); do
  grep -q "^   $sub$" <<<"$manual" || fail "the manual page lacks the subcommand $sub"
done
echo "man peltatxt: $(wc -l <<<"$manual") lines"

echo "== the .tar.gz, extracted"
mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
check_tool "$work/tgz/peltatxt-$version-linux-amd64/bin/peltatxt" \
  "$work/tgz/peltatxt-$version-linux-amd64/lib/$multiarch/peltatxt/libpeltatxt.so"
# The page (scripts/web.sh), as built, in both.
for page in "$work/deb/usr/share/peltatxt/peltatxt.html" "$work/tgz/peltatxt-$version-linux-amd64/share/peltatxt/peltatxt.html"; do
  cmp "$page" dist/peltatxt.html || fail "$page is not the page in dist/"
done

# The sample's record and folder counts, from the installed tool's outline summary.
summary=$("$work/deb/usr/bin/peltatxt" show "$sample" | tail -n 1)
folders=$(sed -n 's/^\([0-9]*\) folders, \([0-9]*\) entries.*/\1/p' <<<"$summary")
entries=$(sed -n 's/^\([0-9]*\) folders, \([0-9]*\) entries.*/\2/p' <<<"$summary")
expected_host="format Unicodeテキスト
$((folders + entries)) records, $folders folders"

# Configures, builds and runs tests/consumer's C host one way; $1 names it, the rest are -D options.
consumer() {
  local how=$1
  shift
  echo "== a C host through $how"
  cmake -S tests/consumer -B "$work/consumer-$how" -G Ninja -DPELTATXT_FROM="$how" "$@" >"$work/consumer.log" 2>&1 ||
    { cat "$work/consumer.log"; fail "configuring the consumer ($how) failed"; }
  cmake --build "$work/consumer-$how" >>"$work/consumer.log" 2>&1 ||
    { cat "$work/consumer.log"; fail "building the consumer ($how) failed"; }
  local plugin out
  plugin=$(cat "$work/consumer-$how/plugin_path.txt")
  out=$(step "$work/consumer-$how/consumer_host" "$plugin" "$sample")
  echo "$out"
  [[ $(tail -n 2 <<<"$out") == "$expected_host" ]] || fail "the consumer ($how) printed something else than: $expected_host"
}
consumer package -DCMAKE_PREFIX_PATH="$work/deb/usr"
[[ $(cat "$work/consumer-package/plugin_path.txt") == "$work/deb/usr/lib/$multiarch/peltatxt/libpeltatxt.so" ]] ||
  fail "find_package(peltatxt) did not name the installed plug-in"
consumer subdirectory -DPELTATXT_SOURCE="$src"
consumer fetchcontent -DPELTATXT_SOURCE="$src"

echo "== the Windows zip, extracted, under Wine"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$src/$zip")
win=$work/zip/peltatxt-$version-win32
ls "$win"
for f in peltatxt.dll peltatxt.exe peltatxt.html LICENSE.txt README.txt; do [[ -f $win/$f ]] || fail "the zip lacks $f"; done
grep -q 'Unicodeテキスト' "$win/README.txt" || fail "the zip's README.txt does not name the format"
grep -q 'peltatxt.html' "$win/README.txt" || fail "the zip's README.txt does not tell of the page"
wine_run() { scripts/wine/run.sh build-win32/wineprefix "$@"; }
step wine_run "$win/peltatxt.exe" check "$sample"
step wine_run "$win/peltatxt.exe" to-json "$sample" -o "$work/win.json"
cmp <(tr -d '\r' <"$work/win.json") "$golden" || fail "the Windows tool's to-json differs from $golden"
info=$(wine_run "$win/peltatxt.exe" info | tr -d '\r')
echo "$info"
grep -q "^library .*peltatxt-$version-win32[/\\\\]peltatxt.dll$" <<<"$info" ||
  fail "the Windows tool did not load the peltatxt.dll beside it"
for f in peltatxt.dll peltatxt.exe; do
  step wine_run build-win32/tests/version_resource_check.exe "$win/$f" "$version"
done
echo
echo "all packages checked: $(basename "$deb"), $(basename "$tgz"), $(basename "$zip")"
