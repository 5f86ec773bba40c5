#!/usr/bin/env bash
# A private PulseAudio server for the playback tests, kept wholly inside one runtime folder.
#
#   pulse-test-server.sh start <dir>   starts it, waits until it answers, prints the PULSE_SERVER value
#   pulse-test-server.sh stop <dir>    stops it (even a server frozen with SIGSTOP)
#
# Its only sink is a null sink at 44100 Hz, s16le, mono, so that what a client plays reaches the
# sink's monitor unresampled and can be recorded sample for sample ("sonvelia_test.monitor").
# norewinds=1: without it the monitor loses about 10 ms at the start of each sound.
# Anonymous auth: clients need no cookie. Root is fine: the user-mode daemon only warns.
set -euo pipefail

SINK=sonvelia_test
START_TIMEOUT_STEPS=100  # 0.1 s steps, 10 s in all
STOP_TIMEOUT_STEPS=60    # 0.05 s steps, 3 s before SIGKILL

usage()
{
    echo "usage: $0 start|stop <runtime dir>" >&2
    exit 2
}

[[ $# -eq 2 ]] || usage
action=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)
server="unix:$dir/pulse/native"

# Everything the daemon and its clients would otherwise keep in $HOME or /run stays in $dir.
export XDG_RUNTIME_DIR="$dir"
export PULSE_RUNTIME_PATH="$dir/pulse"
export PULSE_STATE_PATH="$dir/state"
export PULSE_CONFIG_PATH="$dir/config"
export PULSE_COOKIE="$dir/cookie"
# Our program sends libpulse's messages to the system log; the daemon's belong in its log file.
unset PULSE_LOG_SYSLOG

server_pid()
{
    [[ -s "$dir/pulse/pid" ]] && cat "$dir/pulse/pid"
}

# Running, and not merely a zombie waiting for whichever process adopted the daemon to reap it.
alive()
{
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [[ -n "$state" && "$state" != Z* ]]
}

case "$action" in
start)
    chmod 700 "$dir"
    mkdir -p "$PULSE_STATE_PATH" "$PULSE_CONFIG_PATH"
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --enable-memfd=no \
        --use-pid-file=yes --system=no --high-priority=no --realtime=no \
        --log-target="file:$dir/pulse.log" \
        -L "module-null-sink sink_name=$SINK rate=44100 format=s16le channels=1 norewinds=1" \
        -L "module-native-protocol-unix auth-anonymous=1 auth-cookie-enabled=0" \
        >/dev/null 2>&1 || {
        echo "pulse-test-server: the daemon did not start (see $dir/pulse.log)" >&2
        exit 1
    }
    for ((i = 0; i < START_TIMEOUT_STEPS; i++)); do
        if PULSE_SERVER="$server" pactl info >/dev/null 2>&1; then
            echo "$server"
            exit 0
        fi
        sleep 0.1
    done
    echo "pulse-test-server: the daemon does not answer (see $dir/pulse.log)" >&2
    "$0" stop "$dir" || true
    exit 1
    ;;
stop)
    pid=$(server_pid) || exit 0
    # A frozen server handles SIGTERM only once it runs again.
    kill -CONT "$pid" 2>/dev/null || true
    kill -TERM "$pid" 2>/dev/null || exit 0
    for ((i = 0; i < STOP_TIMEOUT_STEPS; i++)); do
        alive "$pid" || exit 0
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    ;;
*)
    usage
    ;;
esac
