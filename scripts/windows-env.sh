# Sourced by the Windows scripts: the versions and places they share.
cache=${MOVIKON_WINDOWS_CACHE:-$HOME/.cache/movikon-windows}
triplet=x86_64-w64-mingw32
qt_version=6.4.2
qt_prefix=$cache/qt-$qt_version
media_prefix=$cache/media
# The programs are all 64-bit: wine64 runs them also where the system cannot run wine's 32-bit loader.
wine64=/usr/lib/wine/wine64
