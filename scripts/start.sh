#!/usr/bin/env bash
# Installs what is missing, builds, and starts Movikon PRO from its program folder build/movikon.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Movikon PRO is built in $root/build/movikon, but there is no display to show its window on." >&2
  echo "Run this command inside a desktop session (or set DISPLAY)." >&2
  exit 1
fi
exec "$root/build/movikon/movikon"
