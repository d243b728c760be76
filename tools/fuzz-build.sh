#!/usr/bin/env bash
# Configures build-fuzz (clang, the libFuzzer targets, nothing else) and
# builds the given targets, or all of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYXML_FUZZ_BUILD_DIR:-$root/build-fuzz}
if ! command -v clang++ > /dev/null; then
  echo "fuzz-build.sh: clang++ is needed (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 2
fi
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DNYXML_BUILD_FUZZ=ON -DNYXML_BUILD_TESTS=OFF -DNYXML_BUILD_BENCH=OFF -DNYXML_BUILD_TOOLS=OFF \
    "${launcher[@]}" > /dev/null
fi
jobs=$(nproc 2>/dev/null || echo 2)
if [ $# -eq 0 ]; then
  cmake --build "$build" -j "$jobs" --target fuzz_all
else
  for t in "$@"; do cmake --build "$build" -j "$jobs" --target "$t"; done
fi
