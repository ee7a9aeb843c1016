#!/usr/bin/env bash
# Builds the program and starts it inside a loopback-only network namespace.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j "$(nproc)" --target kelo-verozo
exec unshare -rn sh -c "ip link set lo up && exec '$BUILD/src/app/kelo-verozo' $*"
