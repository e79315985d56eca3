#!/usr/bin/env bash
# Builds Movikon PRO for 64-bit Windows on Debian 12, with MinGW-w64 and Debian's own sources of Qt, x264,
# LAME, dav1d and ffmpeg, and tests it under wine.
#   scripts/windows.sh          the steps host, deps, program and pack
#   scripts/windows.sh test     the same, then wine-tests
#   scripts/windows.sh cached   succeeds when the cache holds the Windows Qt and ffmpeg already, and only then
#   scripts/windows.sh STEP     one step alone:
#     host        the Debian packages the other steps use (MinGW-w64, wine64, NSIS, meson, nasm, …)
#     deps        host, then the Windows Qt, x264, LAME, dav1d, zimg, libass and ffmpeg, built once (about an
#                 hour on 2 cores) and kept in ~/.cache/movikon-windows (or $MOVIKON_WINDOWS_CACHE)
#     program     build-windows/ through the windows preset of CMakePresets.json
#     pack        the portable zip, the installer and SHA256SUMS, in build-windows/
#     wine-tests  every test of the Windows build, the installer's among them, under wine on Xvfb
# Versions and places are in scripts/windows-env.sh.
set -Eeuo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/windows-env.sh
source "$root/scripts/windows-env.sh"
build=$windows_build
jobs=$(nproc)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

# Ends the script with the message $1, after the end of the log $2 when there is one: no run ends without a word.
fail() {
    [ -n "${2:-}" ] && tail -40 "$2" >&2
    echo "windows.sh: $1${2:+ (the whole output is in $2)}" >&2
    exit 1
}
trap 'fail "\"$BASH_COMMAND\" failed with status $? (line $LINENO)"' ERR

step() { printf '\n== %s (%s)\n' "$*" "$(date +%T)"; }

# Runs a command with its output in the log $1; when it fails, the script ends showing the log's end.
logged() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 || fail "$1 failed" "$log"
}

# shellcheck source=scripts/windows-deps.sh
source "$root/scripts/windows-deps.sh"

dependencies_built() { [ -f "$qt_prefix/.complete" ] && [ -f "$media_prefix/.complete" ]; }

require_dependencies() {
    dependencies_built ||
        fail "no Windows Qt and ffmpeg in $cache yet: scripts/windows.sh deps builds them, about an hour on 2 cores"
}

require_program() {
    [ -f "$build/CMakeCache.txt" ] || fail "$build is not configured yet: scripts/windows.sh program does that"
}

# The value of the variable $1 in the Windows build's CMake cache.
build_setting() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

# Installs those of the Debian packages $@ that are missing.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        step "Installing ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

install_host_packages() {
    install_missing g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
        libz-mingw-w64-dev binutils-mingw-w64-x86-64 nasm meson ninja-build pkg-config cmake make \
        autoconf automake libtool dpkg-dev qt6-base-dev qt6-base-dev-tools wine wine64 fonts-wine \
        nsis locales zip unzip xvfb xauth xdotool x11-utils fonts-wqy-microhei fonts-dejavu-core \
        imagemagick ffmpeg python3-fonttools
}

build_program() {
    require_dependencies
    step "Building Movikon PRO for Windows"
    mkdir -p "$build"
    cd "$root"
    logged "$build/configure.log" cmake --preset windows
    cmake --build --preset windows --parallel "$jobs"
}

pack() {
    require_program
    step "Packing the portable zip and the installer"
    local zip setup
    zip=$(build_setting WINDOWS_ZIP)
    setup=$(build_setting WINDOWS_SETUP)
    rm -f "$build/$zip" "$build/$setup" "$build/SHA256SUMS"
    cd "$root"
    logged "$build/package.log" cpack --preset windows
    # What a download is checked against: sha256sum -c SHA256SUMS, or certutil -hashfile on Windows.
    (cd "$build" && sha256sum "$zip" "$setup" >SHA256SUMS)
    ls -l "$build/$zip" "$build/$setup" "$build/SHA256SUMS"
}

# Wine needs a display for its windows, a prefix of its own, and a Chinese locale: Chinese Windows' ANSI code
# page, 936, is what setup.ini and the encoder's output are written in there.
run_wine_tests() {
    require_dependencies
    require_program
    [ -f "$build/$(build_setting WINDOWS_SETUP)" ] ||
        fail "the installer test needs the installer: scripts/windows.sh pack makes it"
    if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
        step "Adding the zh_CN.UTF-8 locale"
        install_missing locales
        $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
        $sudo locale-gen >/dev/null
    fi
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
    # The prefix is the build's own and made anew each run: the tests and the installer start on a machine
    # where nothing was installed or converted yet, and runs from two work trees never share a wine server.
    export WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

    step "Making a fresh wine prefix"
    # A run that was killed may have left the old prefix's server behind (it ends with its last program,
    # unless it was started to stay); when none runs, there is nothing to end.
    [ -d "$WINEPREFIX" ] && { wineserver -k >/dev/null 2>&1 || true; }
    rm -rf "$WINEPREFIX"
    logged "$build/wine-prefix.log" "$wine64" wineboot -i
    # Wine links the user's Desktop, Documents, Videos and the like to the Linux home folder; made folders of
    # the prefix, they keep what the tests and the installed program write (it converts into Videos) inside it.
    while IFS= read -r link; do
        rm "$link" && mkdir "$link"
    done < <(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -type l)
    # The faces a Chinese Windows draws its controls with are not here: WenQuanYi Micro Hei stands in.
    local face
    for face in SimSun NSimSun "Microsoft YaHei" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" Tahoma; do
        logged "$build/wine-fonts.log" "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
            /d "WenQuanYi Micro Hei" /f
    done
    # Burnt-in Chinese subtitles need a CJK font where DirectWrite looks, as a Chinese Windows has one.
    cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/"
    # Subtitles ask for Arial (SubRip's default style), which every Windows has and a wine prefix lacks, and
    # wine's DirectWrite finds no stand-in by itself: WenQuanYi Micro Hei is copied in under that name.
    /usr/bin/python3 - "$WINEPREFIX/drive_c/windows/Fonts/arial-stand-in.ttf" <<'FONT'
import sys
from fontTools.ttLib import TTCollection
font = TTCollection('/usr/share/fonts/truetype/wqy/wqy-microhei.ttc').fonts[0]
for record in font['name'].names:
    if record.nameID in (1, 4, 16):
        record.string = 'Arial'
    elif record.nameID == 6:
        record.string = 'ArialMT'
font.save(sys.argv[1])
FONT
    # The server that made the prefix lingers a few seconds after its last program; the session below needs a
    # server of its own (started with -p while another runs, wineserver exits with status 2).
    wineserver -w

    # A free display: Xvfb picks it and tells its number once it accepts clients.
    rm -f "$build/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$build/display" 2>"$build/xvfb.log" &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null; wineserver -k 2>/dev/null' EXIT
    for ((i = 0; i < 100; i++)); do [ -s "$build/display" ] && break; sleep 0.1; done
    [ -s "$build/display" ] || fail "Xvfb did not start" "$build/xvfb.log"
    DISPLAY=:$(cat "$build/display")
    export DISPLAY

    # The first wine program to run starts the wine server and the session's own programs (services, the
    # desktop), which keep that program's output open as long as they live; CTest would wait for the end of a
    # test's output until the whole run is over. Started here first, writing into their logs, they hold no test's.
    logged "$build/wine-server.log" wineserver -p </dev/null
    logged "$build/wine-session.log" "$wine64" wineboot </dev/null

    step "Running the tests under wine, the installer's among them"
    cd "$root"
    ctest --preset windows
}

# A step's function is never called as part of a condition (&&, ||, if), where bash would not stop at its errors.
mode=${1:-build}
case $mode in
cached) dependencies_built || exit 1 ;;
host) install_host_packages ;;
deps)
    install_host_packages
    build_dependencies
    ;;
program) build_program ;;
pack) pack ;;
wine-tests) run_wine_tests ;;
build | test)
    install_host_packages
    build_dependencies
    build_program
    pack
    if [ "$mode" = test ]; then run_wine_tests; fi
    ;;
*) fail "no step $mode: see the head of $0" ;;
esac
