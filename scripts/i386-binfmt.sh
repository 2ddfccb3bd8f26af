#!/usr/bin/env bash
# i386-binfmt.sh — lets a machine whose kernel runs no 32-bit x86 programs run them through qemu-i386.
#
# Needed for the linux32 tests and for Wine's 32-bit side (the win32 tests). Where the kernel runs
# 32-bit programs itself, or qemu-i386 is registered already, this does nothing.
set -euo pipefail
entry=/proc/sys/fs/binfmt_misc/qemu-i386
[[ -e $entry ]] && exit 0
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'int main(void) { return 0; }' | gcc -m32 -x c - -o "$probe_dir/probe"
if "$probe_dir/probe" 2>/dev/null; then exit 0; fi
mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
# 32-bit little-endian ELF executables and shared objects for x86 (e_machine 3); "F" opens
# qemu-i386 now, so the registration holds in every mount namespace.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":qemu-i386:M::$magic:$mask:$(command -v qemu-i386):F" > /proc/sys/fs/binfmt_misc/register
"$probe_dir/probe"
echo "32-bit x86 programs run through qemu-i386 on this machine"
