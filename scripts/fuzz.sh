#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time under AddressSanitizer and
# UndefinedBehaviorSanitizer: bash scripts/fuzz.sh [SECONDS_PER_TARGET]
# Crash inputs land in build-fuzz/crashes/; put them into the unit tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZV_FUZZ=ON -DZV_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target $(cd fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//') JpegFuzz
mkdir -p build-fuzz/crashes
for src in fuzz/*_fuzz.cpp; do
    name=$(basename "$src" .cpp)
    corpus=fuzz/corpus/${name%_fuzz}
    work=build-fuzz/corpus/${name%_fuzz}
    mkdir -p "$work"
    [ -d "$corpus" ] && cp -n "$corpus"/* "$work"/ 2>/dev/null || true
    echo "== $name for ${seconds}s"
    "build-fuzz/fuzz/$name" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix=build-fuzz/crashes/ "$work"
done
# The photo decoder, seeded with the test photos.
mkdir -p build-fuzz/corpus/jpeg
cp -n tests/data/jpeg/* build-fuzz/corpus/jpeg/ 2>/dev/null || true
echo "== JpegFuzz for ${seconds}s"
build-fuzz/fuzz/JpegFuzz -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix=build-fuzz/crashes/ build-fuzz/corpus/jpeg
