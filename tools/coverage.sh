#!/usr/bin/env bash
# Measures line and branch coverage of src/ by the test suite: a Debug build
# instrumented with --coverage in build-cov, the whole ctest run, then gcovr.
# Builds and test runs take the shared build lock so parallel builds wait.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null 2>&1 || { echo "coverage.sh: gcovr is needed (Debian package gcovr)" >&2; exit 1; }
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
lock=/tmp/nyxml-build.lock
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-cov -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -O0" \
  -DCMAKE_C_FLAGS="--coverage -O0" -DNYXML_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
flock "$lock" cmake --build build-cov -j "$jobs"
# Counters from an earlier run would add to this one.
find build-cov -name '*.gcda' -delete
# The installed-package check only builds an outside program; it adds no coverage.
flock "$lock" ctest --test-dir build-cov -j "$jobs" -E install_consumer --output-on-failure
# The per-file table, then gcovr's summary of lines and branches.
gcovr --root . --filter src --gcov-ignore-parse-errors --print-summary build-cov "$@"
