#!/usr/bin/env bash
# The Windows installer, made and tried here: lays out the program folder
# (scripts/windows-stage.py), builds BUILD/zayavka-setup.exe with Debian's
# makensis (installer/zayavka.nsi, the demo catalog included), then in a
# fresh Wine prefix installs it silently, starts the installed program and
# waits for its window, orders nothing but leaves an order and settings as
# a user would, uninstalls silently and checks that the program, its
# shortcuts and its file type are gone and the orders, the settings and the
# catalog are not.
#
#   bash scripts/windows-installer.sh BUILD DEPS   (from scripts/windows-test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
deps=$2
source scripts/windows-env.sh
start_window_session
root=$(pwd)

stage="$build/installer/stage"
python3 scripts/windows-stage.py "$build" "$stage" "$windows_qt" "${windows_dll_dirs[@]}" >/dev/null
price="$build/demo/price.zv"
if [ ! -f "$price" ]; then
    (cd "$build/installer" && wine ../tools/zv_catalog_gen.exe --count 20000 --seed 1 price.zv)
    price="$build/installer/price.zv"
fi
setup="$build/zayavka-setup.exe"
makensis -V2 -INPUTCHARSET UTF8 "-DSTAGE=$root/$stage" "-DFILES=$root/$build/installer/files.nsh" \
    "-DPRICE=$root/$price" "-DOUTFILE=$root/$setup" installer/zayavka.nsi
echo "installer: $setup, $(stat -c %s "$setup") bytes ($(du -sh "$stage" | cut -f1) installed)"

# A fresh prefix: nothing of the tests' prefix helps the installed program.
export WINEPREFIX="$root/$build/wineprefix-install"
export WINEPATH=""
rm -rf "$WINEPREFIX"
prepare_prefix
wine "$setup" /S
wineserver -w
install_dir=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")/Programs/Zetrovo
desktop=$(winepath -u "$(wine cmd /c echo %USERPROFILE% 2>/dev/null | tr -d '\r')")/Desktop
status=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        status=1
    fi
}
check "zayavka.exe installed" test -f "$install_dir/zayavka.exe"
check "the catalog installed" test -f "$install_dir/price.zv"
check "the uninstaller written" test -f "$install_dir/uninstall.exe"
check "the desktop shortcut" test -f "$desktop/Заявка по каталогу.lnk"
start_menu=$(find "$WINEPREFIX/drive_c/users" -type d -name 'Зетрово' | head -1)
check "the Start-menu folder" test -n "$start_menu"
check "the .zv file type" bash -c "wine reg query 'HKCU\\Software\\Classes\\.zv' /ve 2>/dev/null | grep -q 'Files of Zetrovo'"

# The installed program starts and shows its window; the settings file of a
# first start and an order are what a user leaves behind.
(cd "$install_dir" && wine zayavka.exe >"$root/$build/installed-run.log" 2>&1) &
if window=$(wait_for_window 120); then
    # A first start opens readme.txt with its program; a bare Wine prefix
    # has none and says so in a box, which Enter closes.
    for _ in 1 2 3; do
        width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
        [ "${width:-0}" -ge 600 ] && break  # the main window, not a box
        xdotool windowactivate --sync "$window" 2>/dev/null || true
        xdotool key --clearmodifiers Return
        sleep 2
        window=$(wait_for_window 30) || break
        sleep 3
    done
    sleep 3
    import -display "$DISPLAY" -window root "$build/installed-window.png"
    echo "ok: the installed program shows its window ($build/installed-window.png)"
else
    echo "FAILED: the installed program showed no window"
    cat "$build/installed-run.log"
    status=1
fi
wineserver -k || true
wineserver -w || true
cp tests/data/vectors/order-enciphered.zv "$install_dir/Zakaz1.zv"
[ -f "$install_dir/Zetrovo.ini" ] || printf '[Client]\r\n' >"$install_dir/Zetrovo.ini"

wine "$install_dir/uninstall.exe" /S "_?=$(winepath -w "$install_dir")"
wineserver -w
rm -f "$install_dir/uninstall.exe"  # run in place (_?=), it cannot remove itself
check "zayavka.exe removed" test ! -e "$install_dir/zayavka.exe"
check "the Qt libraries removed" bash -c "! ls '$install_dir'/*.dll >/dev/null 2>&1"
check "the plugins removed" test ! -e "$install_dir/plugins"
check "the order kept" test -f "$install_dir/Zakaz1.zv"
check "the settings kept" test -f "$install_dir/Zetrovo.ini"
check "the catalog kept" test -f "$install_dir/price.zv"
check "the desktop shortcut removed" test ! -e "$desktop/Заявка по каталогу.lnk"
check "the Start-menu folder removed" test ! -e "$start_menu"
check "the .zv file type removed" bash -c "! wine reg query 'HKCU\\Software\\Classes\\.zv' /ve >/dev/null 2>&1"
echo "left in the program folder: $(ls "$install_dir" | tr '\n' ' ')"
exit $status
