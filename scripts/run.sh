#!/usr/bin/env bash
# Builds the simulated Kelo servers and the program and runs them inside one
# loopback-only network namespace: three simulated servers of one collection
# appear, each with its preferences, content-editor items and a media tree of
# its own, change now and then, and one is lost and found again. With a
# display the program's window opens with the three servers on its monitor
# list; without one the headless status listing runs instead, and arguments
# go to it (--json, --seconds N). Ctrl-C stops.
#
# The program keeps its settings in a demo folder of its own, never in the
# operator's: a fresh one each run, or the folder KELO_DEMO_HOME names, kept
# between runs. KELO_DEMO_SCENARIO=0 leaves the servers still. BUILD names
# the build folder (build); KELO_RUN_NO_BUILD=1 uses it as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}

if [ -z "${KELO_RUN_IN_NAMESPACE:-}" ]; then
  if [ -z "${KELO_RUN_NO_BUILD:-}" ]; then
    # Build output goes to standard error: standard output is the listing's.
    # Configured once; later the build itself configures again only when a
    # CMake file changed.
    if [ ! -f "$BUILD/build.ninja" ]; then
      cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    fi
    cmake --build "$BUILD" -j "$(nproc)" --target kelo-server-sim kelo-status kelo-verozo >&2
  fi
  KELO_RUN_IN_NAMESPACE=1 exec unshare -rn "$0" "$@"
fi

# From here on only loopback exists.
ip link set lo up

dir=$(mktemp -d)
if [ -n "${KELO_DEMO_HOME:-}" ]; then
  mkdir -p "$KELO_DEMO_HOME"
  demo=$(cd "$KELO_DEMO_HOME" && pwd)
else
  demo="$dir/home"
  mkdir -p "$demo"
fi
# The display's key stays where it was when the home folder moves.
if [ -z "${XAUTHORITY:-}" ] && [ -f "${HOME:-/nonexistent}/.Xauthority" ]; then
  export XAUTHORITY="$HOME/.Xauthority"
fi
export HOME="$demo"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_CACHE_HOME

# First run in this folder: the three servers on the monitor list.
settings="$HOME/.local/share/com.OMBREL.KeloApplications/KeloRemote.plist"
if [ ! -f "$settings" ]; then
  mkdir -p "$(dirname "$settings")"
  cat > "$settings" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>active_keloes</key>
	<dict>
		<key>Kelo Sim 1</key><string>Kelo Sim 1</string>
		<key>Kelo Sim 2</key><string>Kelo Sim 2</string>
		<key>Kelo Sim 3</key><string>Kelo Sim 3</string>
	</dict>
	<key>curr_layout</key><string>0</string>
	<key>layouts</key>
	<array>
		<dict>
			<key>monitor</key>
			<array>
				<dict><key>name</key><string>Kelo Sim 1</string></dict>
				<dict><key>name</key><string>Kelo Sim 2</string></dict>
				<dict><key>name</key><string>Kelo Sim 3</string></dict>
			</array>
			<key>breakouts</key>
			<array><array/></array>
			<key>layout_settings</key>
			<dict/>
		</dict>
	</array>
</dict>
</plist>
EOF
fi

# First run: the first server is its collection's sync master, so that the
# Content tab compares the three servers' media at once.
defaults="$HOME/.config/com.OMBREL.KeloRemote.plist"
if [ ! -f "$defaults" ]; then
  mkdir -p "$(dirname "$defaults")"
  cat > "$defaults" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>_masterSlaveDict</key>
	<dict>
		<key>Kelo Sim 1</key>
		<dict><key>collectionID</key><string>b</string><key>isMaster</key><string>1</string></dict>
		<key>Kelo Sim 2</key>
		<dict><key>collectionID</key><string>b</string></dict>
		<key>Kelo Sim 3</key>
		<dict><key>collectionID</key><string>b</string></dict>
	</dict>
	<key>ShowHistory</key><string>YES</string>
</dict>
</plist>
EOF
fi

# What the servers' operators do meanwhile, as commands to the simulator.
scenario() {
  if [ "${KELO_DEMO_SCENARIO:-1}" = 0 ]; then
    exec sleep infinity
  fi
  while :; do
    sleep 8; echo "alias 2 Backstage"
    sleep 8; echo "layers 1 12"; echo "add 2 2 5 Fresh.mov 15000"
    sleep 8; echo "announce 3 off"   # lost 5 s later
    sleep 8; echo "announce 3 on"; echo "pref 2 frameRate 50.0"
    sleep 8; echo "running 1 off"
    sleep 8; echo "running 1 on"; echo "alias 2 Stage 2"; echo "layers 1 4"
    echo "remove 2 2 5"; echo "pref 2 frameRate 60.0"
  done
}

mkfifo "$dir/commands"
scenario > "$dir/commands" &
scenario_pid=$!
"$BUILD/tools/kelo-server-sim/kelo-server-sim" --count 3 --base 127.0.0.2 \
  < "$dir/commands" > "$dir/kelo-server-sim.log" &
sim_pid=$!
# The simulator removes its media trees when it stops.
# (Each step may find its process gone already, after a Ctrl-C to the group.)
cleanup() {
  kill "$scenario_pid" 2>/dev/null || true
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$BUILD/src/app/kelo-verozo"
else
  echo "run.sh: no display; running the headless status listing instead" >&2
  "$BUILD/tools/kelo-status/kelo-status" "$@"
fi
