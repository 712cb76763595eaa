#!/usr/bin/env bash
# The user's actions on one generated catalog, timed on the engine and on
# SQLite in memory in the same run, at 100,000, 300,000 and 1,000,000
# products; a table of the pairs and their ratios ends the output. Before
# that, real starts of the program (process start to its painted main
# window, under Xvfb when there is no display) on catalogs of the same
# sizes, with the sort order remembered and after a change
# (scripts/program-start.py). Takes several minutes and about 2 GB of
# memory. Arguments go to the benchmark (e.g. --benchmark_filter=/100000/
# for the smallest catalog only).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build build-release -j "$(nproc)" --target side_by_side_bench zayavka zv_catalog_gen
starts=(python3 scripts/program-start.py build-release/app/zayavka build-release/tools/zv_catalog_gen)
if [ -n "${DISPLAY:-}" ]; then
    "${starts[@]}"
elif command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x800x24" "${starts[@]}"
else
    echo "No display and no xvfb-run: the program's starts are not timed."
fi
exec build-release/bench/side_by_side_bench "$@"
