#!/usr/bin/env bash
# The whole test suite: installs what it needs, checks the formatting,
# builds everything and runs all tests, then runs the engine and platform
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
# Rebuilds reuse earlier compiles where ccache is installed; it is optional.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

echo "== format check"
bash scripts/format.sh --check

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== engine tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON -DZV_BENCH=OFF \
    -DZV_ENGINE_ONLY=ON "${launcher[@]}" >/dev/null
cmake --build build-asan -j "$jobs" --target engine_tests platform_tests
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$jobs" -L engine
