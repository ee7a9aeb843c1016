#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the
# benchmarks need. Run as root on Debian 12; installs only what is missing.
set -euo pipefail

PACKAGES="g++ cmake ninja-build pkg-config qt6-base-dev libqt6opengl6-dev qt6-svg-dev \
libplist-dev libplist++-dev zlib1g-dev libturbojpeg0-dev libglu1-mesa-dev libgl1-mesa-dri \
libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-utils iproute2 util-linux \
samba gvfs gvfs-backends gvfs-fuse dbus-daemon"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
