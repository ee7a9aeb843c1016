#!/usr/bin/env bash
# Runs the share-mount test against a real Samba server: smbd on loopback,
# mounted through GVfs. It needs real root (Samba switches groups, which a
# user namespace refuses) and gets network and mount namespaces of its own,
# so that nothing leaves the machine and the FUSE mount goes with it.
set -euo pipefail
cd "$(dirname "$0")/.."
test_binary=${BUILD:-build}/tests/content_ShareMountSamba_test
if [ "$(id -u)" != 0 ] || [ ! -x "$test_binary" ]; then
  echo "samba-test: skipped (needs root and $test_binary)"
  exit 0
fi
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
unshare -nm sh -c 'ip link set lo up && mount --make-rprivate / && exec "$@"' sh \
  env KELO_SAMBA_TEST=1 XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen "$test_binary"
