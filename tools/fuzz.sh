#!/usr/bin/env bash
# Runs one libFuzzer target of tests/fuzz for SECONDS seconds:
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is the name of tests/fuzz/fuzz_TARGET.cpp (with or without fuzz_).
# Builds the target first in build-fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer; NYXML_FUZZ_NO_BUILD=1 skips that), replays the
# committed regression inputs of tests/fuzz/regressions/TARGET, then fuzzes
# from the seeds of tests/fuzz/corpus/TARGET. New inputs go to
# build-fuzz/corpus/TARGET, failing ones to build-fuzz/artifacts/TARGET.
# Exit status 0 when nothing failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 2 ]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=${1#fuzz_}
seconds=$2
shift 2
build=${NYXML_FUZZ_BUILD_DIR:-$root/build-fuzz}
if [ ! -f "$root/tests/fuzz/fuzz_$target.cpp" ]; then
  echo "fuzz.sh: no target $target (tests/fuzz/fuzz_$target.cpp)" >&2
  exit 2
fi

if [ "${NYXML_FUZZ_NO_BUILD:-0}" != 1 ]; then
  "$root/tools/fuzz-build.sh" "fuzz_$target"
fi

binary=$build/fuzz/fuzz_$target
regressions=$root/tests/fuzz/regressions/$target
seeds=$root/tests/fuzz/corpus/$target
work=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$work" "$artifacts" "$seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

if compgen -G "$regressions/*" > /dev/null; then
  echo "== $target: replaying $(ls "$regressions" | wc -l) regression inputs"
  "$binary" -rss_limit_mb=2048 -timeout=30 "$regressions"/* 2>&1 | tail -n 3
fi

echo "== $target: fuzzing for $seconds s"
log=$build/fuzz-$target.log
set +e
"$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=16384 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$work" "$seeds" > "$log" 2>&1
status=$?
set -e
grep -E "^#[0-9]+ *(DONE|INITED)|stat::number_of_executed_units|cov: " "$log" | tail -n 3
if [ $status -ne 0 ]; then
  echo "fuzz.sh: $target FAILED (exit $status); log: $log; inputs in $artifacts" >&2
  grep -E "ERROR|SUMMARY|property broken|Test unit written" "$log" | head -n 10 >&2
fi
exit $status
