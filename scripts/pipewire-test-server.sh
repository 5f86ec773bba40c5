#!/usr/bin/env bash
# A private PipeWire server with its PulseAudio service for the playback tests, kept wholly inside
# one folder: the desktop's sound server on Debian 12, as our program meets it there.
#
#   pipewire-test-server.sh start <dir>   starts it, waits until it answers, prints the PULSE_SERVER value
#   pipewire-test-server.sh stop <dir>    stops it (even a server frozen with SIGSTOP)
#
# Three daemons make the server: pipewire (the graph), wireplumber (the session manager, which links
# a new stream to the sink) and pipewire-pulse (the PulseAudio protocol our program speaks). They
# share a session bus of their own (wireplumber leaves without one) and a runtime, configuration,
# state and home folder inside <dir>, so that nothing of a desktop session is seen or touched.
# The graph's only sink is a null sink at 44100 Hz, mono, and the graph is held at 44100 Hz: what a
# client plays reaches the sink's monitor unresampled and can be recorded sample for sample
# ("sonvelia_test.monitor", the same name as with the PulseAudio test server). The state folder is
# new each time, so wireplumber restores no volume: every stream plays at 100 %, bit for bit.
# <dir>/pids lists the daemons the client depends on, the one it talks to first.
set -euo pipefail

SINK=sonvelia_test
START_TIMEOUT_STEPS=100  # 0.1 s steps, 10 s in all
STOP_TIMEOUT_STEPS=60    # 0.05 s steps, 3 s before SIGKILL

usage()
{
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
}

[[ $# -eq 2 ]] || usage
action=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)
runtime="$dir/runtime"
server="unix:$runtime/pulse/native"

export XDG_RUNTIME_DIR="$runtime"
export PIPEWIRE_RUNTIME_DIR="$runtime"
export XDG_CONFIG_HOME="$dir/config"
export XDG_STATE_HOME="$dir/state"
export HOME="$dir/home"
export PULSE_SERVER="$server"
# Only our configuration and the packaged defaults: no other instance's remote or log settings.
unset PIPEWIRE_REMOTE PIPEWIRE_CONFIG_DIR PIPEWIRE_CONFIG_NAME PIPEWIRE_DEBUG PULSE_RUNTIME_PATH
unset PULSE_LOG_SYSLOG DISPLAY WAYLAND_DISPLAY

# Running, and not merely a zombie waiting for whichever process adopted the daemon to reap it.
alive()
{
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [[ -n "$state" && "$state" != Z* ]]
}

# Starts one daemon in the background, its output in its own log; records its pid.
launch()
{
    local name=$1
    shift
    "$@" </dev/null >"$dir/$name.log" 2>&1 &
    echo $! >"$dir/$name.pid"
}

# Says why, with the end of each daemon's log (the folder goes with the server), and stops the rest.
fail()
{
    echo "pipewire-test-server: $1" >&2
    for log in "$dir"/*.log; do
        [[ -s "$log" ]] || continue
        echo "--- end of $(basename "$log")" >&2
        tail -n 5 "$log" >&2
    done
    "$0" stop "$dir" || true
    exit 1
}

# Polls `test` in 0.1 s steps until it holds; false after the start timeout, or at once when one of
# the daemons started so far has ended.
await()
{
    local name
    for ((i = 0; i < START_TIMEOUT_STEPS; i++)); do
        if "$@"; then
            return 0
        fi
        for name in pipewire wireplumber pipewire-pulse; do
            if [[ -s "$dir/$name.pid" ]] && ! alive "$(cat "$dir/$name.pid")"; then
                echo "$name has ended" >"$dir/ended"
                return 1
            fi
        done
        sleep 0.1
    done
    return 1
}

# ": <which daemon has ended>" when await gave up because one did.
ended()
{
    [[ -s "$dir/ended" ]] && echo ": $(<"$dir/ended")"
}

graph_ready()
{
    [[ -S "$runtime/pipewire-0" ]]
}

# The session manager has picked our sink as the default: a new stream is then linked to it.
pulse_ready()
{
    pactl info 2>/dev/null | grep -qx "Default Sink: $SINK"
}

case "$action" in
start)
    mkdir -p "$runtime" "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d" "$XDG_STATE_HOME" "$HOME"
    chmod 700 "$dir" "$runtime"
    cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/sonvelia-test.conf" <<EOF
context.properties = {
    default.clock.rate = 44100
    default.clock.allowed-rates = [ 44100 ]
}
context.objects = [
    { factory = adapter
      args = {
          factory.name = support.null-audio-sink
          node.name = "$SINK"
          node.description = "$SINK"
          media.class = "Audio/Sink"
          audio.rate = 44100
          audio.channels = 1
          audio.position = [ MONO ]
          object.linger = true
          monitor.channel-volumes = false
      }
    }
]
EOF
    bus=$(dbus-daemon --session --fork --address="unix:path=$dir/bus" --print-address=1 \
        --print-pid=3 3>"$dir/dbus.pid" </dev/null 2>"$dir/dbus.log") ||
        fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS="$bus"
    launch pipewire pipewire
    await graph_ready || fail "pipewire does not answer$(ended)"
    launch wireplumber wireplumber
    launch pipewire-pulse pipewire-pulse
    await pulse_ready || fail "the PulseAudio service does not answer with its null sink$(ended)"
    cat "$dir/pipewire-pulse.pid" "$dir/pipewire.pid" "$dir/wireplumber.pid" >"$dir/pids"
    echo "$server"
    ;;
stop)
    pids=()
    for name in pipewire-pulse wireplumber pipewire dbus; do
        [[ -s "$dir/$name.pid" ]] && pids+=("$(cat "$dir/$name.pid")")
    done
    [[ ${#pids[@]} -gt 0 ]] || exit 0
    # A frozen daemon handles SIGTERM only once it runs again.
    for pid in "${pids[@]}"; do
        kill -CONT "$pid" 2>/dev/null || true
        kill -TERM "$pid" 2>/dev/null || true
    done
    for ((i = 0; i < STOP_TIMEOUT_STEPS; i++)); do
        running=0
        for pid in "${pids[@]}"; do
            alive "$pid" && running=1
        done
        [[ $running -eq 0 ]] && exit 0
        sleep 0.05
    done
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    ;;
*)
    usage
    ;;
esac
