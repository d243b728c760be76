#!/usr/bin/env bash
# Builds every libFuzzer target of tests/fuzz and runs each for SECONDS
# seconds (default 30), two at a time:  tools/fuzz-all.sh [SECONDS]
# Exit status 0 when no target failed. A new target is one more
# tests/fuzz/fuzz_<name>.cpp (with seeds in tests/fuzz/corpus/<name>/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
"$root/tools/fuzz-build.sh"
targets=()
for source in "$root"/tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$source" .cpp)
  targets+=("${name#fuzz_}")
done
export NYXML_FUZZ_NO_BUILD=1
printf '%s\n' "${targets[@]}" |
  xargs -P 2 -I{} sh -c '"$0" {} "$1" > "${2:-/dev/null}/fuzz-all-{}.out" 2>&1; s=$?; cat "${2}/fuzz-all-{}.out"; exit $s' \
    "$root/tools/fuzz.sh" "$seconds" "${NYXML_FUZZ_BUILD_DIR:-$root/build-fuzz}"
echo "all ${#targets[@]} fuzz targets ran ${seconds} s without failure"
