#!/usr/bin/env bash
# Builds the simulated Kelo servers and the program and runs them inside one
# loopback-only network namespace: three simulated servers appear, change now
# and then, and one is lost and found again. With a display the program's
# window opens; without one the headless status listing runs instead, and
# arguments go to it (--json, --seconds N). Ctrl-C stops.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}

if [ -z "${KELO_RUN_IN_NAMESPACE:-}" ]; then
  # Build output goes to standard error: standard output is the listing's.
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
  cmake --build "$BUILD" -j "$(nproc)" --target kelo-server-sim kelo-status kelo-verozo >&2
  KELO_RUN_IN_NAMESPACE=1 exec unshare -rn "$0" "$@"
fi

# From here on only loopback exists.
ip link set lo up

# What the servers' operators do meanwhile, as commands to the simulator.
scenario() {
  while :; do
    sleep 8; echo "alias 2 Backstage"
    sleep 8; echo "layers 1 12"
    sleep 8; echo "announce 3 off"   # lost 5 s later
    sleep 8; echo "announce 3 on"
    sleep 8; echo "running 1 off"
    sleep 8; echo "running 1 on"; echo "alias 2 Stage 2"; echo "layers 1 4"
  done
}

dir=$(mktemp -d)
mkfifo "$dir/commands"
scenario > "$dir/commands" &
scenario_pid=$!
"$BUILD/tools/kelo-server-sim/kelo-server-sim" --count 3 --base 127.0.0.2 \
  < "$dir/commands" > /dev/null &
sim_pid=$!
trap 'kill $sim_pid $scenario_pid 2>/dev/null; rm -rf "$dir"' EXIT

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$BUILD/src/app/kelo-verozo"
else
  echo "run.sh: no display; running the headless status listing instead" >&2
  "$BUILD/tools/kelo-status/kelo-status" "$@"
fi
