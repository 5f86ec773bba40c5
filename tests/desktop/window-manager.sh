#!/usr/bin/env bash
# The main window and a dialog under a real X server with the openbox window manager: what the
# window manager makes of the program's requests, which the offscreen tests cannot see.
#
#   window-manager.sh BUILD_DIR
#
# 1. Leaving the maximised state (as a double click on the title bar does) gives the design size,
#    800 x 572, centred on the 1600 x 900 screen.
# 2. The add-a-harmonic dialog is a tool bar for the window manager: it may be closed and moved,
#    never minimised or maximised, so its title bar keeps the room for the caption.
set -euo pipefail
build=$(cd "${1:?usage: window-manager.sh BUILD_DIR}" && pwd)
for tool in Xvfb openbox xdotool xprop xwininfo wmctrl; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/sonvelia-wm.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
# Up to 20 s each for the server and the window manager: a loaded machine (the test command runs
# two tests at a time) can take several seconds to start either.
for _ in $(seq 400); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 400); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.05; done

QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$build/sonvelia" >"$work/program.log" 2>&1 &
pids+=($!)

failures=0
check() {  # check WHAT CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what" >&2; failures=$((failures + 1)); fi
}
# The id of the shown window titled exactly $1, waiting up to 10 s.
window() {
  local w
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  echo "no window '$1'; windows shown:" >&2
  for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do xdotool getwindowname "$w" >&2; done
  kill -0 "${pids[2]}" 2>/dev/null && echo "(the program is running)" >&2 && { command -v gdb >/dev/null && gdb -p "${pids[2]}" -batch -ex "thread apply all bt 12" 2>&1 | grep -E "^#|^Thread" | head -60 >&2 || true; }
  echo "the program, the server and the window manager said:" >&2
  cat "$work/program.log" "$work/xvfb.log" "$work/openbox.log" >&2
  return 1
}
geometry() {  # x y width height of a window's client area
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
near() { [ $(($1 > $2 ? $1 - $2 : $2 - $1)) -le "$3" ]; }

main=$(window "Sonvelia v.5")
sleep 0.5
read -r x y w h < <(geometry "$main")
check "opens maximised (${w}x${h})" near "$w" 1600 0

# 1. Restored: the design size, its frame centred (openbox's title bar stands above the client).
wmctrl -i -r "$main" -b remove,maximized_vert,maximized_horz
for _ in $(seq 50); do read -r x y w h < <(geometry "$main"); [ "$w" -eq 800 ] && break; sleep 0.1; done
sleep 0.3
read -r x y w h < <(geometry "$main")
read -r left right top bottom < <(xprop -id "$main" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
check "restored to 800x572 (${w}x${h})" test "$w" -eq 800 -a "$h" -eq 572
check "restored frame centred ($((x - left)), $((y - top)))" \
  near $((x - left + (w + left + right) / 2)) 800 2
check "restored frame centred vertically" near $((y - top + (h + top + bottom) / 2)) 450 2

# 2. A fixed-size dialog: "&Ajouter" opens the add-a-harmonic dialog.
xdotool windowactivate --sync "$main" key --clearmodifiers alt+a
dialog=$(window "Ajout d'une harmonique")
sleep 0.3
types=$(xprop -id "$dialog" _NET_WM_WINDOW_TYPE)
actions=$(xprop -id "$dialog" _NET_WM_ALLOWED_ACTIONS)
check "dialog is a tool bar first ($types)" grep -q '= _NET_WM_WINDOW_TYPE_TOOLBAR' <<<"$types"
check "dialog may be closed" grep -q '_NET_WM_ACTION_CLOSE' <<<"$actions"
check "dialog may not be minimised" bash -c "! grep -q _NET_WM_ACTION_MINIMIZE <<<'$actions'"
check "dialog may not be maximised" bash -c "! grep -q _NET_WM_ACTION_MAXIMIZE <<<'$actions'"
xdotool key Escape

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; the program said:" >&2
  cat "$work/program.log" >&2
  exit 1
fi
echo "all window manager checks passed"
