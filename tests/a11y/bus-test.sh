#!/usr/bin/env bash
# The program as a screen reader meets it: starts a private X server (Xvfb) with a window
# manager, a session bus with the accessibility bus on it, and sonvelia on that display; then
# reads and drives it through tests/a11y/bus_session.py. Everything started here is stopped on
# the way out, whatever the outcome.
#
#   bus-test.sh <build dir>
#
# The keyboard session's WAV is compared with the one the mouse session of test_keyboard_session
# writes (offscreen) for the same commands. Sound goes to $PULSE_SERVER, or to a private null sink
# started here when none is given.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/sonvelia-a11y.XXXXXX)
pids=()
pulse_started=

cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    wait "${pids[i]}" 2>/dev/null || true
  done
  if [ -n "$pulse_started" ]; then
    "$source_dir/scripts/pulse-test-server.sh" stop "$work/pulse" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

for tool in Xvfb openbox xdotool dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh installs it)" >&2; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' || { echo "missing: python3-pyatspi" >&2; exit 1; }

if [ -z "${PULSE_SERVER:-}" ]; then
  PULSE_SERVER=$("$source_dir/scripts/pulse-test-server.sh" start "$work/pulse")
  pulse_started=1
fi
export PULSE_SERVER

# The same commands with the mouse, on the offscreen platform: the reference file.
SONVELIA_MOUSE_WAV="$work/mouse.wav" QT_QPA_PLATFORM=offscreen \
  "$build/tests/test_keyboard_session" --gtest_filter='KeyboardSession.*' >"$work/reference.log" 2>&1 ||
  { cat "$work/reference.log" >&2; exit 1; }
[ -s "$work/mouse.wav" ] || { echo "the mouse session wrote no WAV" >&2; exit 1; }

# A display of our own: the server picks a free number and tells it on a descriptor.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1600x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 5>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

export HOME="$work" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM AT_SPI_BUS_ADDRESS

# Inside the session bus: the accessibility bus, a window manager (so that new windows take
# the keyboard focus), the program, then the reader. The program finds the accessibility bus
# through the session bus; only the reader is given its address.
dbus-run-session -- bash -c '
  set -u
  work=$1 build=$2 source_dir=$3
  inner=()
  stop() { for p in "${inner[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
  trap stop EXIT
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
  inner+=($!)
  address=
  for _ in $(seq 100); do
    address=$(dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null |
      sed -n "s/.*string \"\(.*\)\"/\1/p") && [ -n "$address" ] && break
    sleep 0.1
  done
  [ -n "$address" ] || { echo "no accessibility bus" >&2; exit 1; }
  openbox >"$work/openbox.log" 2>&1 &
  inner+=($!)
  sleep 0.5
  cd "$work"
  LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$build/sonvelia" >"$work/sonvelia.log" 2>&1 &
  inner+=($!)
  status=0
  AT_SPI_BUS_ADDRESS=$address /usr/bin/python3 "$source_dir/tests/a11y/bus_session.py" \
    "$work/keyboard.wav" "$work/mouse.wav" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "--- the program said:" >&2
    cat "$work/sonvelia.log" >&2
  fi
  exit "$status"
' bus-test "$work" "$build" "$source_dir" 2> >(grep -v "Failed to set fd limit\|Activating service\|Successfully activated\|SpiRegistry" >&2)
