#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Fetches the Debian kernel the HID tests boot under QEMU: only vmlinuz, its config and the
# HID modules are taken out of the package (installing the package would build a host
# initrd and pull in udev). Idempotent: does nothing once the files are there.
#
# Usage: scripts/fetch-vm-kernel.sh [CACHE_DIR]   (default: .cache/vm in the source tree)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${1:-$here/.cache/vm}
mkdir -p "$cache"
if [ -f "$cache/vmlinuz" ] && [ -f "$cache/modules/uhid.ko" ]; then
  echo "fetch-vm-kernel: kernel present in $cache"
  exit 0
fi

pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
if [ -z "$pkg" ]; then
  echo "fetch-vm-kernel: no linux-image-amd64 in the package lists" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
if ! apt-get download "$pkg" >/dev/null 2>&1; then
  # The lists may be stale on a fresh machine.
  if [ "$(id -u)" -eq 0 ]; then apt-get update -qq; else sudo apt-get update -qq; fi
  apt-get download "$pkg" >/dev/null
fi
deb=$(ls ./*.deb)
dpkg-deb --fsys-tarfile "$deb" |
  tar -x --wildcards '*boot/vmlinuz-*' '*boot/config-*' \
      '*/kernel/drivers/hid/hid.ko*' '*/kernel/drivers/hid/hid-generic.ko*' '*/kernel/drivers/hid/uhid.ko*'

mkdir -p "$cache/modules"
cp boot/vmlinuz-* "$cache/vmlinuz"
cp boot/config-* "$cache/config"
for m in hid hid-generic uhid; do
  f=$(find . -name "$m.ko*" | head -n1)
  case "$f" in
    *.ko.xz)  xz -dc "$f" > "$cache/modules/$m.ko" ;;
    *.ko.zst) zstd -dqc "$f" > "$cache/modules/$m.ko" ;;
    *.ko)     cp "$f" "$cache/modules/$m.ko" ;;
    *) echo "fetch-vm-kernel: module $m not found in $pkg" >&2; exit 1 ;;
  esac
done
echo "$pkg" > "$cache/package"
echo "fetch-vm-kernel: $pkg ready in $cache"
