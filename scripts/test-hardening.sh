#!/usr/bin/env bash
# The hardening part of the test command: the whole test suite (unit and end to end) built with
# AddressSanitizer and UndefinedBehaviorSanitizer, again with ThreadSanitizer (the read-ahead
# workers), then every fuzz target for a bounded time. Any finding fails the run. Needs clang 14
# and its runtime (Debian: clang, libclang-rt-14-dev).
#
#   FUZZ_SECONDS=600 scripts/test-hardening.sh   # longer fuzz sessions (default 60 s a target)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
FUZZ_SECONDS=${FUZZ_SECONDS:-60}

clang=""
for candidate in clang++-14 clang++; do
  if command -v "$candidate" >/dev/null; then
    clang=$candidate
    break
  fi
done
if [ -z "$clang" ]; then
  if [ "${CI:-}" = true ]; then
    echo "clang++ not found: CI must run the sanitizer and fuzz steps" >&2
    exit 1
  fi
  echo "clang++ not found: sanitizer and fuzz steps skipped"
  exit 0
fi

echo "== sanitizer build and tests (AddressSanitizer + UndefinedBehaviorSanitizer, $clang)"
cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSANITIZE=ON -DTVC_WERROR=ON
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== sanitizer build and tests (ThreadSanitizer, $clang)"
cmake -S . -B build-tsan -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSANITIZE=thread -DTVC_WERROR=ON
cmake --build build-tsan -j"$jobs"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs"

echo "== fuzz targets, ${FUZZ_SECONDS} s each"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFUZZ=ON -DTVC_BUILD_TESTS=OFF -DTVC_WERROR=ON
cmake --build build-fuzz -j"$jobs"
findings=build-fuzz/findings
mkdir -p "$findings"
passed=0
for target in image_check command_line wildcard; do
  # New inputs go to a scratch directory; the committed seeds are only read.
  scratch=$(mktemp -d)
  max_len=()
  [ "$target" = wildcard ] && max_len=(-max_len=512)  # the reference matcher is quadratic
  echo "-- $target"
  if ! "build-fuzz/fuzz/${target}_fuzz" -max_total_time="$FUZZ_SECONDS" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "${max_len[@]}" \
    -artifact_prefix="$findings/$target-" "$scratch" "fuzz/corpus/$target" \
    >"$findings/$target.log" 2>&1; then
    tail -n 60 "$findings/$target.log"
    echo "fuzz target $target found a fault; the input is in $findings/" >&2
    rm -rf "$scratch"
    exit 1
  fi
  grep -E '^(#[0-9]+ +DONE|Done)' "$findings/$target.log" || true
  rm -rf "$scratch"
  passed=$((passed + 1))
done
echo "fuzzing: $passed passed, 0 failed"
