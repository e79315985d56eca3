#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Linux build's, then the Windows build's under wine
# where the Windows Qt and ffmpeg are built already (scripts/windows.sh deps does that once, in about an hour).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
ctest --test-dir "$root/build" --output-on-failure -j2
if "$root/scripts/windows.sh" cached; then
    "$root/scripts/windows.sh" test
else
    echo "Windows tests skipped: no Windows Qt and ffmpeg built yet in ${MOVIKON_WINDOWS_CACHE:-$HOME/.cache/movikon-windows} (scripts/windows.sh deps builds them, about an hour on 2 cores)."
fi
