#!/usr/bin/env bash
# Takes the screenshots of the store listing (AppStream metainfo) and the README: the real program
# under a virtual X screen of 1600x900, driven with xdotool, loading a model and a series written by
# models.py. Needs xvfb (xvfb-run), xdotool, imagemagick (import) and python3.
#
#   app/screenshots/take.sh BUILD_DIR   ->  app/screenshots/{modele,sonagramme,serie}.png
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != "--inside" ]; then
  build=$(cd "${1:?usage: take.sh BUILD_DIR}" && pwd)
  exec xvfb-run -a -s '-screen 0 1600x900x24' "$0" --inside "$build"
fi
build=$2
work=$(mktemp -d /tmp/sonvelia-shots.XXXXXX)
python3 "$here/models.py" "$work"

# Positions on the 1600x900 screen of the maximised main window, in pixels.
FILE_MENU=(30 8)         # "Fichier"
SONOGRAM_RADIO=(1389 882)  # "Sonagramme"
SCREEN_MIDDLE=(800 450)
SECOND_MODEL=(55 92)     # "modele 2" in the series list

"$build/sonvelia" >"$work/log" 2>&1 &
app=$!
cleanup() {
  kill "$app" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# True when a shown window has exactly the title $1 (xdotool's patterns can neither anchor nor
# see the titles of menus and popups, so every shown window is asked).
shown() {
  local w
  for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do
    [ "$(xdotool getwindowname "$w")" = "$1" ] && return 0
  done
  return 1
}

# Waits (up to 10 s) until a window titled $1 is shown (or, with $2 = gone, no longer shown).
wait_window() {
  for _ in $(seq 100); do
    if shown "$1"; then
      [ "${2:-}" != gone ] && return 0
    else
      [ "${2:-}" = gone ] && return 0
    fi
    sleep 0.1
  done
  echo "window '$1' did not ${2:-appear}" >&2
  return 1
}

# Opens the Nth item of the "Fichier" menu (an open command) and loads the file $2.
load_through_menu() {
  # The first click after start-up may be taken before the window follows the pointer: retry.
  for _ in 1 2 3; do
    xdotool mousemove "${FILE_MENU[@]}"
    sleep 0.3
    xdotool click 1
    wait_window sonvelia 2>/dev/null && break
  done
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  wait_window Ouvrir
  xdotool mousemove "${SCREEN_MIDDLE[@]}"
  xdotool type --delay 10 "$2"
  sleep 0.7
  xdotool key Return
  wait_window Ouvrir gone
  sleep 1
  # The file name completer may open its list late, over the window: close it.
  if shown sonvelia; then xdotool key Escape; fi
  wait_window sonvelia gone
}

shot() {
  sleep 1
  import -window root "$here/$1.png"
}

wait_window 'Sonvelia v.5'
sleep 1
load_through_menu 3 "$work/cloche.mdl"
shot modele
xdotool mousemove "${SONOGRAM_RADIO[@]}"
sleep 0.3
xdotool click 1
shot sonagramme
load_through_menu 4 "$work/serie.ssm"
xdotool mousemove "${SECOND_MODEL[@]}"
sleep 0.3
xdotool click 1
shot serie
