#!/usr/bin/env bash
# Installs the Debian 12 packages sonvelia needs to build, run and test, only when some are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpulse-dev pulseaudio pulseaudio-utils
  libsndfile1-dev libsamplerate0-dev libfftw3-dev libeigen3-dev
  pipewire pipewire-pulse wireplumber dbus-daemon procps
  libgtest-dev libgmock-dev libbenchmark-dev
  sox fonts-dejavu-core qt6-translations-l10n
  espeak-ng timidity freepats fluidsynth fluid-soundfont-gm
  desktop-file-utils appstream dpkg-dev
  clang libclang-rt-14-dev llvm-14
  xvfb openbox xdotool x11-utils wmctrl dbus dbus-daemon at-spi2-core python3-pyatspi
)
if [ "${1:-}" = "--test" ]; then
  shift
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
