#!/usr/bin/env bash
# The benchmark: sorbek's own search and check of a seeded corpus of CAS images, set side by side
# with readers that do nothing but read the same files, in one hyperfine run each, so that every
# target is a ratio measured at one time on one machine. It is no test: it takes several minutes
# and wants a quiet machine.
#
# - warm: every file in the page cache; sorbek against the floor reader (one file after the other),
#   `sum -s` and `cksum`;
# - cold (as root): the page cache dropped before every run; sorbek against the floor reader,
#   `cksum`, the parallel floor reader (threads that read the same files in any order: the limit)
#   and the sorbek before read-ahead;
# - half cold (as root): every other file dropped from the cache; sorbek against the sorbek before
#   read-ahead;
# - scaling: time per image over 1,000, 20,000 and 100,000 images, and peak memory.
#
#   bench/run.sh                       # everything
#   RUNS=10 LARGE=0 bench/run.sh       # fewer warm runs, no run over 100,000 images
#   BASELINE=<commit> bench/run.sh     # another sorbek to hold the cold runs against
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

RUNS=${RUNS:-20}
COLD_RUNS=${COLD_RUNS:-5}
TINY=${TINY:-1000}
SMALL=${SMALL:-20000}
LARGE=${LARGE:-100000}
SEED=${SEED:-20081117}
THREADS=${THREADS:-16}
# The last commit before the read-ahead stage: "today's sorbek" for the cold and half-cold runs.
BASELINE=${BASELINE:-66467e4}
export LC_ALL=C

for tool in hyperfine /usr/bin/time cmake; do
  command -v "$tool" >/dev/null || {
    echo "bench: needs $tool (Debian and Ubuntu: scripts/install-packages.sh build bench)" >&2
    exit 2
  }
done

build=$root/build-bench
echo "== building the release tools and the benchmark helpers in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTVC_BUILD_TESTS=OFF -DTVC_BUILD_BENCH=ON \
  >/dev/null
cmake --build "$build" -j2 >/dev/null
sorbek=$build/src/sorbek
floor=$build/bench/floor_reader
drop_pages=$build/bench/drop_pages

work=$(mktemp -d "${TMPDIR:-/tmp}/sorbek-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The sorbek of BASELINE, built from the repository's history; empty when there is none.
baseline=""
if git -C "$root" cat-file -e "$BASELINE^{commit}" 2>/dev/null; then
  echo "== building the sorbek of $BASELINE (before read-ahead)"
  mkdir -p "$work/baseline"
  git -C "$root" archive "$BASELINE" | tar -x -C "$work/baseline"
  cmake -S "$work/baseline" -B "$work/baseline/build" -DCMAKE_BUILD_TYPE=Release \
    -DTVC_BUILD_TESTS=OFF >/dev/null
  cmake --build "$work/baseline/build" -j2 --target sorbek >/dev/null
  baseline=$work/baseline/build/src/sorbek
else
  echo "== no commit $BASELINE here: the runs against the sorbek before read-ahead are skipped"
fi

# Dropping the page cache needs root; without it the cold runs are skipped.
can_drop=false
if [ "$(id -u)" -eq 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
  can_drop=true
fi

# make_corpus DIR COUNT: the seeded images, read once so that the warm runs find them in the cache.
make_corpus() {
  mkdir -p "$1"
  "$build/bench/make_corpus" "$1" "$2" "$SEED"
  find "$1" -name '*.CAS' -exec cat {} + >/dev/null
}

# median CSV NAME: the median wall time of one command in hyperfine's CSV export, in seconds.
median() { awk -F, -v name="$2" '$1 == name { print $4 }' "$1"; }

# peak_kib DIR PREPARE ARGS...: sorbek's peak resident memory in KiB for one run in DIR, after the
# shell command PREPARE.
peak_kib() {
  local dir=$1 prepare=$2
  shift 2
  (cd "$dir" && sh -c "$prepare" && /usr/bin/time -v "$sorbek" "$@" 2>&1 >/dev/null) |
    awk -F': ' '/Maximum resident set size/ { print $2 }'
}

# check_rows DIR COUNT: sorbek lists every image, so the run measured the whole check.
check_rows() {
  local rows
  rows=$(cd "$1" && "$sorbek" '*.CAS' | grep -c '^File: ')
  [ "$rows" -eq "$2" ] || { echo "bench: sorbek listed $rows of $2 images" >&2; exit 1; }
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
micro_per_image() { awk -v t="$1" -v n="$2" 'BEGIN { printf "%.2f", t * 1e6 / n }'; }
# verdict VALUE OP LIMIT: "met" or "MISSED".
verdict() { awk -v v="$1" -v l="$3" -v op="$2" \
  'BEGIN { ok = (op == "<=") ? v <= l : (op == ">=") ? v >= l : v < l; print ok ? "met" : "MISSED" }'; }
status=0
# target LABEL VALUE OP LIMIT: prints the measure and its verdict; a miss fails the benchmark.
target() {
  local v
  v=$(verdict "$2" "$3" "$4")
  printf '  %-40s %6s (target %s %s: %s)\n' "$1" "$2" "$3" "$4" "$v"
  [ "$v" = met ] || status=1
}

echo "== machine: $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
  "$(nproc) cores, $(uname -sr), $(date -u +%Y-%m-%d)"

small=$work/small
echo "== writing $SMALL images (seed $SEED)"
make_corpus "$small" "$SMALL"
echo "   $(du -sm --apparent-size "$small" | cut -f1) MB of images"
check_rows "$small" "$SMALL"
if [ -n "$baseline" ]; then
  cmp <(cd "$small" && "$sorbek" -l '*.CAS') <(cd "$small" && "$baseline" -l '*.CAS') ||
    { echo "bench: the reports of sorbek and of the sorbek of $BASELINE differ" >&2; exit 1; }
fi

echo "== warm: timing $SMALL images in the page cache, $RUNS runs each"
(cd "$small" && hyperfine --style basic --warmup 3 --runs "$RUNS" --export-csv "$work/warm.csv" \
  -n sorbek "'$sorbek' '*.CAS'" \
  -n "sorbek -l" "'$sorbek' -l '*.CAS'" \
  -n floor "'$floor' *.CAS" \
  -n "sum -s" "sum -s *.CAS >/dev/null" \
  -n cksum "cksum *.CAS >/dev/null" >/dev/null)
t_sorbek=$(median "$work/warm.csv" sorbek)
t_long=$(median "$work/warm.csv" "sorbek -l")
t_floor=$(median "$work/warm.csv" floor)
t_sum=$(median "$work/warm.csv" "sum -s")
t_cksum=$(median "$work/warm.csv" cksum)
peak_small=$(peak_kib "$small" true '*.CAS')
echo
echo "warm, median wall time, $SMALL images:"
printf '  %-14s %8.4f s  %6s us/image\n' \
  "sorbek" "$t_sorbek" "$(micro_per_image "$t_sorbek" "$SMALL")" \
  "sorbek -l" "$t_long" "$(micro_per_image "$t_long" "$SMALL")" \
  "floor" "$t_floor" "$(micro_per_image "$t_floor" "$SMALL")" \
  "sum -s" "$t_sum" "$(micro_per_image "$t_sum" "$SMALL")" \
  "cksum" "$t_cksum" "$(micro_per_image "$t_cksum" "$SMALL")"
target "sorbek / floor" "$(ratio "$t_sorbek" "$t_floor")" "<=" 1.25
target "sorbek / sum -s" "$(ratio "$t_sorbek" "$t_sum")" "<" 1
target "sorbek / cksum" "$(ratio "$t_sorbek" "$t_cksum")" "<" 1
echo "  sorbek peak memory: $peak_small KiB"

if [ "$can_drop" = true ]; then
  drop_all='sync; echo 3 > /proc/sys/vm/drop_caches'
  echo
  echo "== cold: timing $SMALL images, the page cache dropped before each of $COLD_RUNS runs"
  commands=(-n sorbek "'$sorbek' '*.CAS'"
    -n floor "'$floor' *.CAS"
    -n "parallel floor" "'$floor' -j $THREADS *.CAS"
    -n cksum "cksum *.CAS >/dev/null")
  [ -n "$baseline" ] && commands+=(-n "sorbek before" "'$baseline' '*.CAS'")
  (cd "$small" && hyperfine --style basic --runs "$COLD_RUNS" --prepare "$drop_all" \
    --export-csv "$work/cold.csv" "${commands[@]}" >/dev/null)
  c_sorbek=$(median "$work/cold.csv" sorbek)
  c_floor=$(median "$work/cold.csv" floor)
  c_parallel=$(median "$work/cold.csv" "parallel floor")
  c_cksum=$(median "$work/cold.csv" cksum)
  peak_cold=$(peak_kib "$small" "$drop_all" '*.CAS')
  echo
  echo "cold, median wall time, $SMALL images:"
  printf '  %-14s %8.4f s\n' sorbek "$c_sorbek" floor "$c_floor" "parallel floor" "$c_parallel" \
    cksum "$c_cksum"
  [ -n "$baseline" ] && printf '  %-14s %8.4f s\n' "sorbek before" \
    "$(median "$work/cold.csv" "sorbek before")"
  target "sorbek / parallel floor" "$(ratio "$c_sorbek" "$c_parallel")" "<=" 1.2
  target "floor / sorbek (times faster)" "$(ratio "$c_floor" "$c_sorbek")" ">=" 3
  echo "  sorbek peak memory: $peak_cold KiB"

  if [ -n "$baseline" ]; then
    half="cat *.CAS >/dev/null; '$drop_pages' -2 *.CAS"
    echo
    echo "== half cold: every other image dropped from the page cache before each run"
    (cd "$small" && hyperfine --style basic --runs "$COLD_RUNS" --prepare "$half" \
      --export-csv "$work/half.csv" \
      -n sorbek "'$sorbek' '*.CAS'" \
      -n "sorbek before" "'$baseline' '*.CAS'" >/dev/null)
    h_sorbek=$(median "$work/half.csv" sorbek)
    h_before=$(median "$work/half.csv" "sorbek before")
    echo
    echo "half cold, median wall time, $SMALL images:"
    printf '  %-14s %8.4f s\n' sorbek "$h_sorbek" "sorbek before" "$h_before"
    target "sorbek / sorbek before" "$(ratio "$h_sorbek" "$h_before")" "<=" 1
  fi
else
  echo
  echo "== cold and half-cold runs skipped: dropping the page cache needs root"
fi

# per_image DIR COUNT RUNS: sorbek's median wall time per image in microseconds, warm: the time
# over DIR less the time of the same command over an empty directory, which is the start of a
# process and no image's.
empty=$work/empty
mkdir -p "$empty"
per_image() {
  local dir
  for dir in "$1" "$empty"; do
    (cd "$dir" && hyperfine --style basic -N --warmup 2 --runs "$3" \
      --export-csv "$work/scale-$(basename "$dir").csv" -n sorbek "$sorbek '*.CAS'" >/dev/null)
  done
  awk -v t="$(median "$work/scale-$(basename "$1").csv" sorbek)" \
    -v t0="$(median "$work/scale-empty.csv" sorbek)" \
    -v n="$2" 'BEGIN { printf "%.2f", (t - t0) * 1e6 / n }'
}

echo
echo "== scaling: time per image, warm (the start of the process taken out)"
sizes=("$TINY" "$SMALL")
[ "$LARGE" -gt 0 ] && sizes+=("$LARGE")
per_image_times=()
for count in "${sizes[@]}"; do
  corpus=$work/scale-$count
  if [ "$count" -eq "$SMALL" ]; then
    mv "$small" "$corpus"
    find "$corpus" -name '*.CAS' -exec cat {} + >/dev/null  # the cold runs dropped it
  else
    make_corpus "$corpus" "$count"
    check_rows "$corpus" "$count"
  fi
  runs=$RUNS
  [ "$count" -gt "$SMALL" ] && runs=$(((RUNS + 1) / 2))
  per_image_times+=("$(per_image "$corpus" "$count" "$runs")")
  printf '  %8s images: %6s us\n' "$count" "${per_image_times[-1]}"
  if [ "$count" -eq "$LARGE" ]; then
    peak_large=$(peak_kib "$corpus" true '*.CAS')
  fi
  rm -rf "$corpus"
done
slowest=$(printf '%s\n' "${per_image_times[@]}" | sort -g | tail -n 1)
fastest=$(printf '%s\n' "${per_image_times[@]}" | sort -g | head -n 1)
target "slowest / fastest time per image" "$(ratio "$slowest" "$fastest")" "<=" 1.3
if [ "$LARGE" -gt 0 ]; then
  target "peak memory at $LARGE images, KiB" "$peak_large" "<=" 16384
fi

echo
[ "$status" -eq 0 ] && echo "all targets met" || echo "a target was missed"
exit "$status"
