#!/usr/bin/env bash
# Builds the library and runs the whole test suite twice: in a normal optimised
# build, and under AddressSanitizer + UndefinedBehaviorSanitizer; then runs
# every libFuzzer target briefly (tools/fuzz.sh TARGET SECONDS runs one longer).
set -euo pipefail
cd "$(dirname "$0")"
./tools/ensure-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
# ccache, when installed, keeps objects between runs and between clones.
launcher=()
if command -v ccache > /dev/null; then
  export CCACHE_BASEDIR=$PWD
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNYXML_SANITIZE=ON \
  -DNYXML_BUILD_BENCH=OFF -DNYXML_BUILD_TOOLS=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" "${launcher[@]}"
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

./tools/fuzz-all.sh 20
echo "all tests passed (normal and sanitizer builds, fuzz targets)"
