#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through CTest.
# The playback tests start and stop their own private servers, PulseAudio and PipeWire, each with a
# null sink (scripts/pulse-test-server.sh, scripts/pipewire-test-server.sh), and fail when one
# cannot start. For the rest of the run a private PulseAudio server with a null sink is started
# and stopped afterwards, whatever the outcome. No display is needed (offscreen Qt);
# the window-manager and accessibility-bus tests start and stop their own X server and buses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

export QT_QPA_PLATFORM=offscreen
source scripts/private-sound-server.bash

# Robustness (docs/robustness.md): the suite again under ASan, LSan and UBSan, the long "full"
# tests left out, then each fuzz target for 30 s from its kept corpus. The release suite runs last so
# that its summary closes the output.
scripts/sanitize.sh build-sanitize
scripts/fuzz.sh 30 build-sanitize

cd build
ctest --output-on-failure -j2 --timeout 600 "$@"
