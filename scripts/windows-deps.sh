# shellcheck shell=bash disable=SC2154,SC2164
# Sourced by scripts/windows.sh: its deps step, the Windows Qt and the libraries under ffmpeg, built once from
# Debian's own sources into the cache ($cache, scripts/windows-env.sh), one folder per version. It runs under
# windows.sh's set -e and reads its variables.

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
    fail "no version of Debian's source package $package could be fetched"
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
    logged "$cache/$name-configure.log" ./configure --prefix="$media_prefix" --host="$triplet" "$@"
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
    logged "$cache/x264-configure.log" ./configure --prefix="$media_prefix" --host="$triplet" \
        --cross-prefix="$triplet-" --enable-static --disable-cli --disable-opencl
    logged "$cache/x264-build.log" make -j"$jobs"
    logged "$cache/x264-install.log" make install-lib-static
    cd "$root"
    autotools_library lame --enable-static --disable-shared --disable-frontend --disable-decoder --disable-gtktest
    meson_library dav1d -Denable_tools=false -Denable_tests=false
    CC=$triplet-gcc-posix CXX=$triplet-g++-posix autotools_library zimg --enable-static --disable-shared

    step "Building FreeType, FriBidi, HarfBuzz and libass for Windows"
    meson_library freetype -Dbrotli=disabled -Dbzip2=disabled -Dharfbuzz=disabled -Dpng=disabled \
        -Dzlib=disabled -Dtests=disabled
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
        --arch=x86_64 --target-os=mingw32 --cross-prefix="$triplet-" --pkg-config=pkg-config \
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
    "$triplet-strip" "$media_prefix/bin/ffmpeg.exe" "$media_prefix/bin/ffprobe.exe"
    rm -rf "$cache/work/media"
    echo "$key" >"$media_prefix/.complete"
}

build_dependencies() {
    enable_sources
    build_qt
    build_media
}
