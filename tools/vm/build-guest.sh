#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the initramfs of the small Linux guest in which the HID tests run: busybox, the
# HID kernel modules, an init script and the given programs with every shared library
# they need (Debian has no static libudev, so dynamic programs bring their libraries).
#
# Usage: build-guest.sh KERNEL_CACHE OUTPUT.cpio.gz INIT_SCRIPT [SOURCE:DEST ...]
#   KERNEL_CACHE  folder made by scripts/fetch-vm-kernel.sh (vmlinuz, modules/)
#   SOURCE:DEST   a file or folder to copy into the guest at the absolute path DEST
set -euo pipefail

cache=$1 output=$2 init=$3
shift 3

busybox=$(command -v busybox || true)
[ -n "$busybox" ] || { echo "build-guest: busybox is not installed" >&2; exit 1; }
file -b "$busybox" 2>/dev/null | grep -q 'statically linked' || busybox=/bin/busybox

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
chmod 0755 "$stage"  # the guest's root folder: every user must be able to enter it
mkdir -p "$stage"/{bin,sbin,etc,proc,sys,dev,tmp,lib/modules,out,home/tastor}
chmod 1777 "$stage/tmp"
cp "$busybox" "$stage/bin/busybox"
for applet in $("$busybox" --list); do
  [ "$applet" = busybox ] || ln -sf busybox "$stage/bin/$applet"
done
cp "$cache"/modules/*.ko "$stage/lib/modules/"
install -m 0755 "$init" "$stage/init"
printf 'root:x:0:0:root:/root:/bin/sh\ntastor:x:1000:1000:tastor:/home/tastor:/bin/sh\n' > "$stage/etc/passwd"
printf 'root:x:0:\ntastor:x:1000:\n' > "$stage/etc/group"
chown 1000:1000 "$stage/home/tastor" 2>/dev/null || true

# The libraries of a dynamic program, copied to the same paths inside the guest.
copy_libraries() {
  ldd "$1" 2>/dev/null | awk '/=> \// {print $3} /^\t\/[^ ]+ \(/ {print $1}' | while read -r lib; do
    [ -e "$stage$lib" ] && continue
    mkdir -p "$stage$(dirname "$lib")"
    cp -L "$lib" "$stage$lib"
  done
}

for pair in "$@"; do
  src=${pair%%:*} dest=${pair#*:}
  mkdir -p "$stage$(dirname "$dest")"
  cp -rL "$src" "$stage$dest"
  while IFS= read -r -d '' f; do
    if head -c 4 "$f" | grep -q $'\x7fELF'; then copy_libraries "$f"; fi
  done < <(find "$stage$dest" -type f -print0)
done

(cd "$stage" && find . -print0 | cpio --null -o -H newc --quiet) | gzip -1 > "$output"
