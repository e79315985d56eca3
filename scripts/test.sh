#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Linux build's, then the Windows build's under wine
# where the Windows Qt and ffmpeg are built already (scripts/windows.sh deps does that once, in about an hour).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
# Every Linux test, as the README runs them.
cd "$root"
ctest --preset linux
if "$root/scripts/windows.sh" cached; then
    "$root/scripts/windows.sh" test
else
    # shellcheck source=scripts/windows-env.sh
    source "$root/scripts/windows-env.sh"
    echo "Windows tests skipped: no Windows Qt and ffmpeg built yet in $cache (scripts/windows.sh deps builds them, about an hour on 2 cores)."
fi
