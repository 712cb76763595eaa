# Sourced by the Windows scripts: the Wine of the build folder and where its
# programs find their DLLs.
#
#   build=build-windows deps="$(bash scripts/windows-deps.sh | tail -1)"
#   source scripts/windows-env.sh
#
# Sets WINEPREFIX (a prefix of the build folder's own: nothing of the
# user's is touched, and no installer of Wine's .NET or HTML engines is
# fetched), WINEPATH (the libraries' bin folders and the compiler's runtime
# DLLs) and windows_dll_dirs (the same folders, for the installer).

: "${build:?build folder}" "${deps:?library folders}"
windows_mingw_runtime=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
windows_dll_dirs=()
IFS=';' read -r -a windows_dep_dirs <<<"$deps"
for dir in "${windows_dep_dirs[@]}"; do
    windows_dll_dirs+=("$dir/bin")
done
windows_dll_dirs+=("${windows_mingw_runtime[@]}")
WINEPATH=""
for dir in "${windows_dll_dirs[@]}"; do
    WINEPATH+="${WINEPATH:+;}Z:$dir"
done
export WINEPATH
export WINEPREFIX="$(cd "$build" && pwd)/wineprefix" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Qt of the libraries, for its plugins and translations.
windows_qt=""
for dir in "${windows_dep_dirs[@]}"; do
    [ -f "$dir/bin/Qt6Core.dll" ] && windows_qt=$dir
done

# start_display: an Xvfb of its own for Wine's windows, at 1280x1024 (as
# DISPLAY), ended with the calling script.
start_display() {
    local number
    for number in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || break
    done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    windows_xvfb=$!
    export DISPLAY=":$number"
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

# wait_for_window SECONDS: the id of the first visible window of zayavka.exe
# once it shows, or nothing.
wait_for_window() {
    local id
    for _ in $(seq $(($1 * 2))); do
        id=$(xdotool search --onlyvisible --classname 'zayavka.exe' 2>/dev/null | head -1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.5
    done
    return 1
}

# prepare_prefix: makes the Wine prefix.
prepare_prefix() {
    wineboot --init >/dev/null 2>&1
    wineserver -w
}

# start_window_session: what a script that shows Wine's windows needs
# first: an Xvfb (before any program of Wine's, whose desktop takes the
# display it finds first: a Wine still running is ended), the locale's text in UTF-8 (Wine hands programs
# their arguments and file names in it), the windows platform, and an end
# to Wine and Xvfb when the script ends.
start_window_session() {
    # A Wine still running from before has a desktop without the display.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    export LC_ALL=C.UTF-8
    unset QT_QPA_PLATFORM
    trap 'wineserver -k >/dev/null 2>&1 || true; [ -n "${windows_xvfb:-}" ] && kill "$windows_xvfb" 2>/dev/null || true' EXIT
    start_display
}
