#!/usr/bin/env bash
# Runs one Windows program of the build under wine; CTest's emulator for the Windows build.
#   - The Qt and MinGW DLLs and the Windows ffmpeg.exe are found through WINEPATH.
#   - wine hands a program no QT_* variable, but turns WINEQT_* into QT_*: the test's Qt settings go over so.
#   - Qt's offscreen platform on Windows reads fonts from one folder only: it gets DejaVu Sans and WenQuanYi.
#   - A QtTest program's report does not reach a pipe under wine: it is written to a file and printed.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/windows-env.sh
source "$root/scripts/windows-env.sh"
export WINEPREFIX=${WINEPREFIX:-$wine_prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

runtime=$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")")
WINEPATH="$(windows "$qt_prefix/bin");$(windows "$runtime");$(windows /usr/x86_64-w64-mingw32/lib);$(windows "$media_prefix/bin")${WINEPATH:+;$WINEPATH}"
export WINEPATH

fonts=$cache/fonts
if [ ! -d "$fonts" ]; then
    mkdir -p "$fonts"
    ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/"
fi
QT_QPA_FONTDIR=$(windows "$fonts")
export QT_QPA_FONTDIR
while IFS='=' read -r name _; do
    [[ $name == QT_* ]] && export "WINE$name=${!name}"
done < <(env)

wine=$wine64
[ -x "$wine" ] || wine=wine
program=$1
shift
case "$(basename "$program")" in
test_*)
    report=$(mktemp)
    "$wine" "$program" "$@" -o "$(windows "$report"),txt"
    status=$?
    cat "$report"
    rm -f "$report"
    exit $status
    ;;
*) exec "$wine" "$program" "$@" ;;
esac
