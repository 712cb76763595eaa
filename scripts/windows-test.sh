#!/usr/bin/env bash
# The Windows build, proven under Wine: installs the mingw-w64 cross compiler
# and Wine when missing, builds Qt, curl and libjpeg-turbo for Windows from
# Debian's sources (scripts/windows-deps.sh, cached outside the clone),
# builds the whole program and every test as Windows programs, runs the
# tests under Wine in a private Wine prefix, checks that zv.exe reads tables
# made on Linux (one of them enciphered) into the same text as zv on Linux
# and writes the same table bytes, then shows the window program under Wine
# (scripts/windows-window.sh) and installs and uninstalls it with its
# installer (scripts/windows-installer.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
started=$(date +%s)

packages=(cmake ninja-build g++ libgtest-dev googletest g++-mingw-w64-x86-64-posix wine wine64
          python3-pyftpdlib xvfb xauth x11-utils xdotool imagemagick nsis fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
installed=$(date +%s)
deps=$(bash scripts/windows-deps.sh | tail -1)
deps_built=$(date +%s)

# Rebuilds reuse earlier compiles where ccache is installed; it is optional.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
build=build-windows
echo "== Windows build (mingw-w64)"
# Qt's host tools (moc, rcc, uic) are Debian's own of the same version.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BENCH=OFF "-DZV_WINDOWS_DEPS=$deps" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQt6HostInfo_DIR=/usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
# zv on Linux, for the comparison below.
cmake -S . -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_ENGINE_ONLY=ON \
    -DZV_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build/linux" -j "$jobs" --target zv
built=$(date +%s)

source scripts/windows-env.sh
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
echo "== Wine prefix"
prepare_prefix

echo "== tests under Wine"
status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" || status=1

echo "== zv.exe against zv on Linux"
work="$build/zv-compare"
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
records=$'12345\t3\t1,5\t01.02.2024\nЁж-7\t10\t-0,25\t29.02.2000\nТаб\\tи\\\\слэш\t0\t0\t\n'
cp tests/data/vectors/order-enciphered.zv "$work/linux/enciphered.zv"
linux_zv="$root/$build/linux/tools/zv"
windows_zv="$root/$build/tools/zv.exe"
fields='ID:K;KOL:i;CENA:f;DATA:d'
(cd "$work/linux" && printf '%s' "$records" | "$linux_zv" make t.zv "$fields")
(cd "$work/windows" && printf '%s' "$records" | wine "$windows_zv" make t.zv "$fields")
compare() {  # compare NAME ARGS...: zv on Linux and zv.exe under Wine, same text?
    local name=$1
    shift
    (cd "$work/linux" && "$linux_zv" "$@") >"$work/$name.linux"
    (cd "$work/linux" && wine "$windows_zv" "$@") >"$work/$name.windows"
    if cmp -s "$work/$name.linux" "$work/$name.windows"; then
        echo "zv $*: the same text ($(wc -c <"$work/$name.linux") bytes)"
    else
        echo "zv $*: zv.exe printed other text than zv on Linux"
        diff "$work/$name.linux" "$work/$name.windows" || true
        status=1
    fi
}
compare info-plain info t.zv
compare dump-plain dump t.zv
compare info-enciphered info -p Пароль enciphered.zv
compare dump-enciphered dump -p Пароль enciphered.zv
if cmp "$work/linux/t.zv" "$work/windows/t.zv"; then
    echo "zv make: the table zv.exe wrote is byte for byte the one zv wrote on Linux"
else
    status=1
fi
tested=$(date +%s)

echo "== the window program under Wine"
bash scripts/windows-window.sh "$build" "$deps" || status=1
echo "== the installer under Wine"
bash scripts/windows-installer.sh "$build" "$deps" || status=1
finished=$(date +%s)
echo "== times: install $((installed - started)) s, Windows libraries $((deps_built - installed)) s," \
    "build $((built - deps_built)) s, tests under Wine $((tested - built)) s," \
    "window and installer $((finished - tested)) s, in all $((finished - started)) s"
exit $status
