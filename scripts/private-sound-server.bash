# Sourced by the test and coverage scripts: a private PulseAudio server with a null sink for the
# rest of the run (the playback tests start their own), stopped when the script exits.
runtime=$(mktemp -d /tmp/sonvelia-pulse.XXXXXX)
stop_server() {
  scripts/pulse-test-server.sh stop "$runtime" >/dev/null 2>&1 || true
  rm -rf "$runtime"
}
trap stop_server EXIT
if PULSE_SERVER=$(scripts/pulse-test-server.sh start "$runtime"); then
  export PULSE_SERVER
else
  echo "warning: no test sound server could be started" >&2
fi
