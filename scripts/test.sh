#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through CTest.
# The playback tests need a sound server: a private PulseAudio server with a null sink is started
# for the run and stopped afterwards, whatever the outcome. No display is needed (offscreen Qt);
# the accessibility-bus test starts and stops its own X server and buses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

export QT_QPA_PLATFORM=offscreen
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

# Robustness (docs/robustness.md): the suite again under ASan, LSan and UBSan, the long "full"
# tests left out, then each fuzz target for 30 s from its seeds. The release suite runs last so
# that its summary closes the output.
scripts/sanitize.sh build-sanitize
scripts/fuzz.sh 30 build-sanitize

cd build
ctest --output-on-failure -j2 --timeout 600 "$@"
