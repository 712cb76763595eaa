#!/usr/bin/env bash
# The window program under Wine, as a user meets it: a demo program folder
# (zayavka.exe, a generated 20,000-product catalog, stand-in photos, the
# readme and demo requisites) in BUILD/demo, zayavka.exe started there on an
# Xvfb screen, a picture of its window (BUILD/main-window-windows.png), and
# an order by keyboard: Enter on the catalog's current row, a quantity,
# Enter for OK. zv on Linux then reads the line back from Zakaz1.zv.
#
#   bash scripts/windows-window.sh BUILD DEPS     (from scripts/windows-test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
deps=$2
source scripts/windows-env.sh
start_window_session
linux_zv="$build/linux/tools/zv"

demo="$(pwd)/$build/demo"
rm -rf "$demo"
mkdir -p "$demo/foto"
cp "$build/app/zayavka.exe" resources/readme.txt "$demo/"
(cd "$demo" && wine ../tools/zv_catalog_gen.exe --count 20000 --seed 1 price.zv)
photos=$(winepath -w "$demo/foto")
printf '[Client]\r\nKlient=Автосервис "Демо"\r\nAdres=г. Москва, ул. Примерная, д. 1\r\nTelefon=+7 495 000-00-00\r\nKontaktLico=Иванов Иван\r\nEmail=demo@example.com\r\nFotoDir=%s\r\n' \
    "$photos" | iconv -f UTF-8 -t CP1251 >"$demo/Zetrovo.ini"
# Photos of every third of the first sixty products by name, so that the
# camera mark shows on the first screen.
"$linux_zv" dump "$demo/price.zv" >"$demo/catalog.txt"
tail -n +2 "$demo/catalog.txt" | LC_ALL=C sort -s -t $'\t' -k4,4 >"$demo/sorted.txt"
head -n 60 "$demo/sorted.txt" | awk 'NR % 3 == 1' >"$demo/photos.txt"
while IFS=$'\t' read -r id _ _ name _; do
    (cd "$demo/foto" && QT_QPA_PLATFORM=offscreen wine ../../tools/demo/zv_demo_photo.exe \
        "ZV$id.jpg" "$id" "$name")
done <"$demo/photos.txt"
rm "$demo/catalog.txt" "$demo/sorted.txt" "$demo/photos.txt"

(cd "$demo" && wine zayavka.exe >"$demo/zayavka.log" 2>&1) &
window=$(wait_for_window 120) || {
    echo "zayavka.exe showed no window; its output:" >&2
    cat "$demo/zayavka.log" >&2
    exit 1
}
# The grid paints its rows and photo marks after the window shows.
sleep 5
import -display "$DISPLAY" -window "$window" "$build/main-window-windows.png"
echo "window $window: picture in $build/main-window-windows.png"

# The order road by keyboard, on the catalog's current row.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 1
xdotool key --clearmodifiers Return
sleep 3
xdotool type --delay 100 7
xdotool key --clearmodifiers Return
for _ in $(seq 60); do
    [ -f "$demo/Zakaz1.zv" ] && break
    sleep 0.5
done
sleep 2
if [ ! -f "$demo/Zakaz1.zv" ]; then
    echo "no Zakaz1.zv after Enter, 7, Enter" >&2
    import -display "$DISPLAY" -window root "$build/order-road-failed.png"
    exit 1
fi
order=$("$linux_zv" dump "$demo/Zakaz1.zv")
echo "Zakaz1.zv as zv on Linux reads it:"
echo "$order"
lines=$(echo "$order" | tail -n +2)
if [ "$(echo "$lines" | wc -l)" -ne 1 ] || ! echo "$lines" | cut -f2 | grep -qx 7; then
    echo "Zakaz1.zv does not hold one line of quantity 7" >&2
    exit 1
fi
code=$(echo "$lines" | cut -f1)
if ! "$linux_zv" dump "$demo/price.zv" | cut -f1 | grep -xF "$code" >/dev/null; then
    echo "the ordered code $code is not in the catalog" >&2
    exit 1
fi
echo "ordered by keyboard under Wine: product $code, quantity 7"
