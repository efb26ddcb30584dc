#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs every Debian package that building, running and testing Tastor needs.
# Idempotent: packages already present are left alone, so running it again is cheap.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libhidapi-dev libudev-dev libxtst-dev libx11-dev libxkbcommon-dev libdbus-1-dev dbus
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick
  at-spi2-core python3-pyatspi
  fonts-dejavu-core
  qemu-system-x86 busybox-static cpio
  desktop-file-utils appstream dpkg-dev fakeroot
  lintian librsvg2-bin man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

run_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
else
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  run_root apt-get update -qq
  run_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The kernel the HID tests boot under QEMU (kept in .cache/vm of the source tree). Without
# it those tests are skipped with their reason, so a failed download does not stop setup.
"$(dirname "$0")/fetch-vm-kernel.sh" || echo "setup: the test kernel could not be fetched; the virtual-machine HID tests will be skipped"
