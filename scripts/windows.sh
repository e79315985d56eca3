#!/usr/bin/env bash
# Builds Movikon PRO for 64-bit Windows on Debian 12, with MinGW-w64 and Debian's own sources of Qt, x264,
# LAME, dav1d and ffmpeg.
#   scripts/windows.sh        the program folder, the portable zip and the installer, in build-windows/
#   scripts/windows.sh test   the same, then every test of the Windows build and the installer under wine
#   scripts/windows.sh deps   only the Windows Qt and ffmpeg, into the cache
#   scripts/windows.sh cached  succeeds when the cache holds them already, and only then
# The Windows Qt, x264, LAME, dav1d and ffmpeg are built once and kept in ~/.cache/movikon-windows (or
# $MOVIKON_WINDOWS_CACHE), one folder per version, so later runs only build the program.
set -Eeuo pipefail
# Any command that fails unchecked is named, so that no run ends without a word.
trap 'echo "windows.sh: \"$BASH_COMMAND\" failed with status $? (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/windows-env.sh"
build=$root/build-windows
jobs=$(nproc)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
mode=${1:-build}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

step() { printf '\n== %s (%s)\n' "$*" "$(date +%T)"; }

# Runs a command with its output in the log $1; when it fails, the log's end is shown and the script ends.
logged() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 || { tail -40 "$log"; echo "windows.sh: failed, the whole output is in $log" >&2; exit 1; }
}

install_packages() {
    local packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
                    libz-mingw-w64-dev binutils-mingw-w64-x86-64 nasm meson ninja-build pkg-config cmake make
                    autoconf automake libtool dpkg-dev qt6-base-dev qt6-base-dev-tools wine wine64 fonts-wine
                    nsis locales zip unzip xvfb xauth xdotool x11-utils fonts-wqy-microhei fonts-dejavu-core
                    imagemagick ffmpeg)
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        step "Installing ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Debian's source packages need a deb-src twin of the system's Debian entry.
enable_sources() {
    local list=/etc/apt/sources.list.d/movikon-deb-src.sources
    [ -f "$list" ] && return
    step "Adding Debian's source packages to apt"
    sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources | sed 's/^Types: deb$/Types: deb-src/' |
        $sudo tee "$list" >/dev/null
    $sudo apt-get update -qq
}

# Unpacks the newest version of Debian's source package $1 (patched) that can be fetched into $cache/src;
# prints its folder. An update may be listed before the archive serves its files: the version before it
# serves then.
source_folder() {
    local package=$1 version folder
    for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -Vr); do
        folder=$cache/src/$package-${version#*:}
        [ -d "$folder" ] && { echo "$folder"; return; }
        mkdir -p "$cache/src"
        if (cd "$cache/src" && apt-get source -qq --download-only "$package=$version" &&
            dpkg-source -q -x "${package}_${version#*:}.dsc" "$folder") >&2 2>/dev/null; then
            echo "$folder"
            return
        fi
    done
    echo "windows.sh: no version of Debian's source package $package could be fetched" >&2
    exit 1
}

build_qt() {
    [ -f "$qt_prefix/.complete" ] && return
    step "Building Qt $qt_version for Windows (about 25 minutes on 2 cores)"
    local src work
    src=$(source_folder qt6-base)
    work=$cache/work/qtbase
    rm -rf "$work" "$qt_prefix"
    mkdir -p "$work"
    cd "$work"
    # Only what the program and its tests use. Direct2D and DirectWrite 3 go together: in Qt 6.4 the
    # Windows platform plugin does not link with one of them alone. The tablet headers are not in the
    # Debian tarball.
    logged "$cache/qt-configure.log" "$src/configure" -prefix "$qt_prefix" -release -shared -opensource \
        -confirm-license -xplatform win32-g++ -qt-host-path /usr -nomake tests -nomake examples \
        -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz -qt-doubleconversion \
        -no-icu -no-dbus -no-opengl -no-feature-vulkan -no-feature-direct2d -no-feature-directwrite3 \
        -no-feature-tabletevent -no-feature-network -no-feature-sql -no-feature-xml \
        -no-feature-concurrent -no-feature-printsupport \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    logged "$cache/qt-build.log" cmake --build . --parallel "$jobs"
    logged "$cache/qt-install.log" cmake --install .
    cd "$root"
    rm -rf "$work"
    touch "$qt_prefix/.complete"
}

# The libraries ffmpeg is built over, each from Debian's sources into $media_prefix as a static library: x264
# and LAME (the encoders), dav1d (AV1, common in web clips, has no software decoder of ffmpeg's own), zimg
# (linear light for tone mapping HDR), and libass with FreeType, FriBidi and HarfBuzz (subtitles burnt in;
# on Windows libass finds the system's fonts through DirectWrite).
media_sources=(x264 lame dav1d zimg freetype fribidi harfbuzz libass ffmpeg)
declare -A media_src

autotools_library() {
    local name=$1
    shift
    cp -a "${media_src[$name]}" "$cache/work/media/$name"
    cd "$cache/work/media/$name"
    [ -x configure ] || logged "$cache/$name-autogen.log" autoreconf -fi
    logged "$cache/$name-configure.log" ./configure --prefix="$media_prefix" --host=$triplet "$@"
    logged "$cache/$name-build.log" make -j"$jobs"
    logged "$cache/$name-install.log" make install
    cd "$root"
}

meson_library() {
    local name=$1
    shift
    logged "$cache/$name-configure.log" meson setup "$cache/work/media/$name" "${media_src[$name]}" \
        --cross-file "$cache/work/media/meson-cross.txt" --prefix "$media_prefix" --libdir lib \
        --buildtype release --default-library static "$@"
    logged "$cache/$name-build.log" ninja -C "$cache/work/media/$name" install
}

build_media() {
    local name key=""
    for name in "${media_sources[@]}"; do
        media_src[$name]=$(source_folder "$name")
        key+="$(basename "${media_src[$name]}") "
    done
    key+="libass-directwrite"
    [ -f "$media_prefix/.complete" ] && [ "$(cat "$media_prefix/.complete")" = "$key" ] && return
    rm -rf "$media_prefix" "$cache/work/media"
    mkdir -p "$cache/work/media"
    export PKG_CONFIG_LIBDIR="$media_prefix/lib/pkgconfig"
    cat >"$cache/work/media/meson-cross.txt" <<CROSS
[binaries]
c = '$triplet-gcc-posix'
cpp = '$triplet-g++-posix'
ar = '$triplet-gcc-ar-posix'
strip = '$triplet-strip'
windres = '$triplet-windres'
pkgconfig = 'pkg-config'
[properties]
pkg_config_libdir = '$media_prefix/lib/pkgconfig'
[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
CROSS

    step "Building x264, LAME, dav1d and zimg for Windows"
    cp -a "${media_src[x264]}" "$cache/work/media/x264"
    cd "$cache/work/media/x264"
    logged "$cache/x264-configure.log" ./configure --prefix="$media_prefix" --host=$triplet \
        --cross-prefix=$triplet- --enable-static --disable-cli --disable-opencl
    logged "$cache/x264-build.log" make -j"$jobs"
    logged "$cache/x264-install.log" make install-lib-static
    cd "$root"
    autotools_library lame --enable-static --disable-shared --disable-frontend --disable-decoder --disable-gtktest
    meson_library dav1d -Denable_tools=false -Denable_tests=false
    CC=$triplet-gcc-posix CXX=$triplet-g++-posix autotools_library zimg --enable-static --disable-shared

    step "Building FreeType, FriBidi, HarfBuzz and libass for Windows"
    meson_library freetype -Dbrotli=disabled -Dbzip2=disabled -Dharfbuzz=disabled -Dpng=disabled \
        -Dzlib=internal -Dtests=disabled
    meson_library fribidi -Ddocs=false
    meson_library harfbuzz -Dfreetype=enabled -Dglib=disabled -Dgobject=disabled -Dcairo=disabled \
        -Dchafa=disabled -Dicu=disabled -Dgraphite2=disabled -Dgdi=disabled -Ddirectwrite=disabled \
        -Dtests=disabled -Ddocs=disabled -Dintrospection=disabled -Dbenchmark=disabled
    CC=$triplet-gcc-posix autotools_library libass --enable-static --disable-shared --disable-fontconfig \
        --enable-directwrite --disable-libunibreak --disable-require-system-font-provider

    step "Building ffmpeg for Windows (about 15 minutes on 2 cores)"
    mkdir -p "$cache/work/media/ffmpeg"
    cd "$cache/work/media/ffmpeg"
    # zimg and HarfBuzz are C++: the static program takes the C++ runtime with them.
    logged "$cache/ffmpeg-configure.log" "${media_src[ffmpeg]}/configure" --prefix="$media_prefix" \
        --arch=x86_64 --target-os=mingw32 --cross-prefix=$triplet- --pkg-config=pkg-config \
        --pkg-config-flags=--static --extra-cflags="-I$media_prefix/include" \
        --extra-ldflags="-L$media_prefix/lib -static" --extra-libs="-lstdc++" \
        --enable-gpl --enable-version3 --enable-static --disable-shared --disable-autodetect \
        --enable-w32threads --enable-zlib --enable-libx264 --enable-libmp3lame --enable-libdav1d \
        --enable-libzimg --enable-libass \
        --disable-ffplay --disable-doc --disable-network --disable-hwaccels --disable-devices \
        --enable-indev=lavfi --disable-debug
    logged "$cache/ffmpeg-build.log" make -j"$jobs"
    logged "$cache/ffmpeg-install.log" make install
    cd "$root"
    $triplet-strip "$media_prefix/bin/ffmpeg.exe" "$media_prefix/bin/ffprobe.exe"
    rm -rf "$cache/work/media"
    echo "$key" >"$media_prefix/.complete"
}

if [ "$mode" = cached ]; then
    if [ -f "$qt_prefix/.complete" ] && [ -f "$media_prefix/.complete" ]; then exit 0; fi
    exit 1
fi
install_packages
enable_sources
build_qt
build_media
[ "$mode" = deps ] && exit 0

step "Building Movikon PRO for Windows"
mkdir -p "$build"
logged "$build/configure.log" "$qt_prefix/bin/qt-cmake" -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
    -DFFMPEG_EXE="$media_prefix/bin/ffmpeg.exe" -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh"
cmake --build "$build" --parallel "$jobs"

step "Packing the portable zip and the installer"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=movikon-$version-windows-x64.zip
setup=movikon-$version-setup.exe
rm -f "$build/$zip" "$build/$setup" "$build/SHA256SUMS"
cd "$build"
logged "$build/package.log" cpack -G ZIP
logged "$build/package-installer.log" cpack -G NSIS64
cd "$root"
# What a download is checked against: sha256sum -c SHA256SUMS, or certutil -hashfile on Windows.
(cd "$build" && sha256sum "$zip" "$setup" >SHA256SUMS)
ls -l "$build/$zip" "$build/$setup" "$build/SHA256SUMS"

[ "$mode" = test ] || exit 0

# The installer test upgrades an installation of an earlier version: the same files under a lower version.
older=0.9.0
cd "$build"
logged "$build/package-older.log" cpack -G NSIS64 -R "$older" -B "$build/older"
cd "$root"

# Wine needs a display for its windows, a prefix of its own, and a Chinese locale: Chinese Windows' ANSI code
# page, 936, is what setup.ini and the encoder's output are written in there.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    step "Adding the zh_CN.UTF-8 locale"
    dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q 'ok installed' ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends locales >/dev/null
    $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    $sudo locale-gen >/dev/null
fi
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# The prefix is the build's own and made anew each run: the tests and the installer start on a machine where
# nothing was installed or converted yet, and runs from two work trees never share a wine server.
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winelog=$build/wine.log
wine_failed() { tail -20 "$winelog"; echo "$1 (the whole output is in $winelog)" >&2; exit 1; }

step "Making a fresh wine prefix"
# A run that was killed may have left the old prefix's server behind (it ends with its last program, unless
# it was started to stay); when none runs, there is nothing to end.
[ -d "$WINEPREFIX" ] && { wineserver -k >/dev/null 2>&1 || true; }
rm -rf "$WINEPREFIX"
"$wine64" wineboot -i >"$winelog" 2>&1 || wine_failed "wineboot could not make the wine prefix $WINEPREFIX"
# Wine links the user's Desktop, Documents, Videos and the like to the Linux home folder; made folders of the
# prefix, they keep what the tests and the installed program write (it converts into Videos) inside it.
while IFS= read -r link; do
    rm "$link" && mkdir "$link"
done < <(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -type l)
# The faces a Chinese Windows draws its controls with are not here: WenQuanYi Micro Hei stands in.
for face in SimSun NSimSun "Microsoft YaHei" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" Tahoma; do
    "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f \
        >>"$winelog" 2>&1 || wine_failed "wine could not set the font replacement for $face"
done
# Burnt-in Chinese subtitles need a CJK font where DirectWrite looks, as a Chinese Windows has one.
cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/"
# The server that made the prefix lingers a few seconds after its last program; the session below needs a
# server of its own (started with -p while another runs, wineserver exits with status 2).
wineserver -w || wine_failed "waiting for the wine server that made the prefix failed"

# A free display: Xvfb picks it and tells its number once it accepts clients.
rm -f "$build/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$build/display" 2>"$build/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wineserver -k 2>/dev/null' EXIT
for ((i = 0; i < 100; i++)); do [ -s "$build/display" ] && break; sleep 0.1; done
[ -s "$build/display" ] || { cat "$build/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$build/display")

# The first wine program to run starts the wine server and the session's own programs (services, the
# desktop), which keep that program's output open as long as they live; CTest would wait for the end of a
# test's output until the whole run is over. Started here first, writing into the log, they hold no test's.
wineserver -p </dev/null >>"$winelog" 2>&1 || wine_failed "the wine server did not start"
"$wine64" wineboot </dev/null >>"$winelog" 2>&1 || wine_failed "wineboot did not start the wine session"

step "Running the tests under wine"
ctest --test-dir "$build" --output-on-failure -j2
step "Testing the installer under wine"
"$root/scripts/windows-installer-test.sh" "$build/$setup" "$build/older/movikon-$older-setup.exe" "$build/$zip"
