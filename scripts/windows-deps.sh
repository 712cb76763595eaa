#!/usr/bin/env bash
# The Windows libraries of the window program, cross-compiled with mingw-w64
# from Debian's own source packages: Qt (qt6-base), libjpeg-turbo and curl.
#
# Each library is installed into a folder of a cache outside the clone,
# named by the library, its Debian version and a hash of the compiler and
# the build options, and reused while that folder is complete; a missing
# or half-built one is built anew. Sources come from the package registry
# only (apt-get source); a deb-src entry for the system's own suites is
# added when none is there.
#
#   bash scripts/windows-deps.sh      prints the folder to put on
#                                     CMAKE_PREFIX_PATH as its last line
#
# ZAYAVKA_WINDOWS_DEPS chooses the cache (default ~/.cache/zayavka-windows).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cache=${ZAYAVKA_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/zayavka-windows}
jobs=$(nproc)
mkdir -p "$cache"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
packages=(cmake ninja-build nasm dpkg-dev g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
          qt6-translations-l10n)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
fi

# apt-get source needs deb-src lines; take the system's own suites.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Version:'; then
    echo "Adding the deb-src entry of the system's suites" >&2
    list=/etc/apt/sources.list.d/zayavka-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $SUDO tee "$list" >/dev/null
    else
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $SUDO tee /etc/apt/sources.list.d/zayavka-deb-src.list >/dev/null
    fi
    $SUDO apt-get update -qq
fi

compiler=$(x86_64-w64-mingw32-g++-posix --version | head -1)
toolchain="$root/cmake/mingw-w64.cmake"
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The newest source version the registry offers for a package.
source_version() {
    apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -V | tail -1
}

# build_package NAME SOURCE SUBDIR OPTIONS...: configures the unpacked
# source with CMake for Windows and installs it into the cache; prints the
# installed folder. SUBDIR is where CMakeLists.txt lies in the source.
build_package() {
    local name=$1 source=$2 subdir=$3
    shift 3
    local version key prefix work
    version=$(source_version "$source")
    key=$(printf '%s\n' "$compiler" "$@" | sha256sum | cut -c1-12)
    prefix="$cache/$name-${version//[:~+]/_}-$key"
    if [ -f "$prefix/.complete" ]; then
        echo "$name $version: cached in $prefix" >&2
        echo "$prefix"
        return
    fi
    echo "== $name $version: building into $prefix" >&2
    local started
    started=$(date +%s)
    work="$cache/work/$name"
    rm -rf "$work" "$prefix"
    mkdir -p "$work/src"
    (cd "$work/src" && apt-get source --download-only "$source=$version" >&2 &&
        dpkg-source -x --no-check ./*.dsc tree >&2)
    cmake -S "$work/src/tree/$subdir" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" "${launcher[@]}" "$@" >&2
    nice cmake --build "$work/build" -j "$jobs" >&2
    cmake --install "$work/build" >&2
    rm -rf "$work"
    echo "$name $version built in $(($(date +%s) - started)) s" >"$prefix/.complete"
    cat "$prefix/.complete" >&2
    echo "$prefix"
}

jpeg=$(build_package libjpeg-turbo libjpeg-turbo . \
    -DENABLE_STATIC=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF)
curl=$(build_package curl curl . \
    -DBUILD_CURL_EXE=OFF -DBUILD_SHARED_LIBS=ON -DBUILD_TESTING=OFF -DCURL_USE_SCHANNEL=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_ZLIB=OFF \
    -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DCURL_DISABLE_LDAP=ON \
    -DENABLE_MANUAL=OFF)
# Qt's host tools (moc, rcc, uic) are Debian's own of the same version.
# The source package has no wintab.h, hence no tablet events; the windows
# platform plugin of this version does not build without OpenGL, which
# stays on as dynamic OpenGL.
qt=$(build_package qtbase qt6-base . \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQt6HostInfo_DIR=/usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF)

# Qt's own texts in Russian (its dialogs and buttons): the translations
# Debian built from its qt6-translations sources, the same for every system.
mkdir -p "$qt/translations"
cp -u /usr/share/qt6/translations/qtbase_ru.qm "$qt/translations/"

# One folder with every library, for CMAKE_PREFIX_PATH and the installer.
echo "$jpeg;$curl;$qt"
