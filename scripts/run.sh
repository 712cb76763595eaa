#!/usr/bin/env bash
# Runs the program on a ready demo program folder, demo/: the executable, a
# generated 20,000-product catalog price.zv with price-change marks, a few
# stand-in product photos, the user readme and a settings file with demo
# requisites. Without a display the program runs under Xvfb and saves a
# picture of its main window as demo/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zayavka zv zv_catalog_gen zv_demo_photo

demo=$PWD/demo
mkdir -p "$demo/foto"
cp build/app/zayavka "$demo/"
cp resources/readme.txt "$demo/readme.txt"
if [ ! -f "$demo/price.zv" ]; then
    build/tools/zv_catalog_gen --count 20000 --seed 1 "$demo/price.zv"
fi
if [ ! -f "$demo/Zetrovo.ini" ]; then
    # Windows-1251 with CR LF, as the program writes it.
    printf '[Client]\r\nKlient=Автосервис "Демо"\r\nAdres=г. Москва, ул. Примерная, д. 1\r\nTelefon=+7 495 000-00-00\r\nKontaktLico=Иванов Иван\r\nEmail=demo@example.com\r\nFotoDir=%s\r\n' \
        "$demo/foto" | iconv -f UTF-8 -t CP1251 > "$demo/Zetrovo.ini"
fi
if [ -z "$(ls -A "$demo/foto")" ]; then
    # Photos of every third of the first sixty products by name, so that the
    # camera mark shows on the first screen.
    build/tools/zv dump "$demo/price.zv" > "$demo/foto/.dump"
    tail -n +2 "$demo/foto/.dump" | LC_ALL=C sort -s -t $'\t' -k4,4 \
        > "$demo/foto/.sorted"
    rm "$demo/foto/.dump"
    head -n 60 "$demo/foto/.sorted" | awk 'NR % 3 == 1' |
        while IFS=$'\t' read -r id _ _ name _; do
            build/tools/demo/zv_demo_photo "$demo/foto/ZV$id.jpg" "$id" "$name"
        done
    rm "$demo/foto/.sorted"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$demo/zayavka"
fi
echo "No display: running the program under Xvfb and saving its main window to demo/screenshot.png."
ZAYAVKA_SCREENSHOT="$demo/screenshot.png" xvfb-run -a -s "-screen 0 1280x800x24" "$demo/zayavka"
echo "Saved demo/screenshot.png"
