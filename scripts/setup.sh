#!/usr/bin/env bash
# Shared by start.sh and test.sh: installs the Debian packages that are missing, then configures and builds
# into build/. Quick when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-private-dev qt6-multimedia-dev libgl-dev ffmpeg
          xvfb xauth xdotool x11-utils fonts-wqy-microhei dpkg-dev lintian dbus-daemon appstream
          desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The linux preset of CMakePresets.json.
cd "$root"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$(nproc)"
