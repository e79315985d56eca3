# shellcheck shell=bash disable=SC2034,SC2154
# Sourced by the Windows scripts, after they set $root: the versions and places they share.
cache=${MOVIKON_WINDOWS_CACHE:-$HOME/.cache/movikon-windows}
triplet=x86_64-w64-mingw32
qt_version=6.4.2
qt_prefix=$cache/qt-$qt_version
media_prefix=$cache/media
# The CMake toolchain of the Windows Qt and of the windows preset of CMakePresets.json, and what that preset
# builds over.
toolchain=$root/cmake/mingw-w64-x86_64.cmake
export MOVIKON_WINDOWS_QT=$qt_prefix MOVIKON_WINDOWS_FFMPEG=$media_prefix/bin/ffmpeg.exe
# The build folder of that preset, and the wine prefix its tests run in.
windows_build=$root/build-windows
wine_prefix=$windows_build/wine
# The programs are all 64-bit: wine64 runs them also where the system cannot run wine's 32-bit loader.
wine64=/usr/lib/wine/wine64
# The name wine gives the Linux path $1: Z: is the Linux root.
windows() { printf 'Z:%s' "${1//\//\\}"; }
