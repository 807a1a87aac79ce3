#!/usr/bin/env bash
# The benchmark: sorbek's own search and check of a seeded corpus of CAS images, set side by side
# with the input floor (a reader that only opens, reads and closes the same files), `sum -s` and
# `cksum`. Prints the median wall times, the ratios and sorbek's peak memory, then the scaling run.
# It is no test: it takes a few minutes and wants a quiet machine.
#
#   bench/run.sh                    # 20,000 images, then 100,000 for the scaling curve
#   RUNS=10 LARGE=0 bench/run.sh    # fewer runs, no scaling run
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${RUNS:-20}
SMALL=${SMALL:-20000}
LARGE=${LARGE:-100000}
SEED=${SEED:-20081117}
export LC_ALL=C

for tool in hyperfine /usr/bin/time cmake; do
  command -v "$tool" >/dev/null || {
    echo "bench: needs $tool (Debian: apt-get install hyperfine time cmake g++)" >&2
    exit 2
  }
done

build=$PWD/build-bench
echo "== building the release tools and the benchmark helpers in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTVC_BUILD_TESTS=OFF -DTVC_BUILD_BENCH=ON \
  >/dev/null
cmake --build "$build" -j2 >/dev/null
sorbek=$build/src/sorbek
floor=$build/bench/floor_reader

work=$(mktemp -d "${TMPDIR:-/tmp}/sorbek-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# make_corpus DIR COUNT: the seeded images, read once so that every run finds them in the cache.
make_corpus() {
  mkdir -p "$1"
  "$build/bench/make_corpus" "$1" "$2" "$SEED"
  find "$1" -name '*.CAS' -exec cat {} + >/dev/null
}

# median CSV NAME: the median wall time of one command in hyperfine's CSV export, in seconds.
median() { awk -F, -v name="$2" '$1 == name { print $4 }' "$1"; }

# peak_kib DIR ARGS...: sorbek's peak resident memory in KiB for one run in DIR.
peak_kib() {
  local dir=$1
  shift
  (cd "$dir" && /usr/bin/time -v "$sorbek" "$@" 2>&1 >/dev/null) |
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
  'BEGIN { ok = (op == "<=") ? v <= l : v < l; print ok ? "met" : "MISSED" }'; }

echo "== machine: $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
  "$(nproc) cores, $(uname -sr), $(date -u +%Y-%m-%d)"

small=$work/small
echo "== writing $SMALL images (seed $SEED)"
make_corpus "$small" "$SMALL"
echo "   $(du -sm --apparent-size "$small" | cut -f1) MB of images"
check_rows "$small" "$SMALL"

echo "== timing $SMALL images, $RUNS runs each"
(cd "$small" && hyperfine --style basic --warmup 3 --runs "$RUNS" --export-csv "$work/small.csv" \
  -n sorbek "'$sorbek' '*.CAS'" \
  -n "sorbek -l" "'$sorbek' -l '*.CAS'" \
  -n floor "'$floor' *.CAS" \
  -n "sum -s" "sum -s *.CAS >/dev/null" \
  -n cksum "cksum *.CAS >/dev/null" >/dev/null)
t_sorbek=$(median "$work/small.csv" sorbek)
t_long=$(median "$work/small.csv" "sorbek -l")
t_floor=$(median "$work/small.csv" floor)
t_sum=$(median "$work/small.csv" "sum -s")
t_cksum=$(median "$work/small.csv" cksum)
peak_small=$(peak_kib "$small" '*.CAS')

status=0
r_floor=$(ratio "$t_sorbek" "$t_floor")
r_sum=$(ratio "$t_sorbek" "$t_sum")
r_cksum=$(ratio "$t_sorbek" "$t_cksum")
v_floor=$(verdict "$r_floor" "<=" 1.25)
v_sum=$(verdict "$r_sum" "<" 1)
v_cksum=$(verdict "$r_cksum" "<" 1)

echo
echo "median wall time, $SMALL images:"
printf '  %-12s %8.4f s  %6s us/image\n' \
  "sorbek" "$t_sorbek" "$(micro_per_image "$t_sorbek" "$SMALL")" \
  "sorbek -l" "$t_long" "$(micro_per_image "$t_long" "$SMALL")" \
  "floor" "$t_floor" "$(micro_per_image "$t_floor" "$SMALL")" \
  "sum -s" "$t_sum" "$(micro_per_image "$t_sum" "$SMALL")" \
  "cksum" "$t_cksum" "$(micro_per_image "$t_cksum" "$SMALL")"
echo "ratios:"
echo "  sorbek/floor  $r_floor (target <= 1.25: $v_floor)"
echo "  sorbek/sum -s $r_sum (target < 1: $v_sum)"
echo "  sorbek/cksum  $r_cksum (target < 1: $v_cksum)"
echo "sorbek peak memory, $SMALL images: $peak_small KiB"
for v in "$v_floor" "$v_sum" "$v_cksum"; do [ "$v" = met ] || status=1; done

if [ "$LARGE" -gt 0 ]; then
  rm -rf "$small"
  large=$work/large
  echo
  echo "== writing $LARGE images for the scaling run"
  make_corpus "$large" "$LARGE"
  echo "   $(du -sm --apparent-size "$large" | cut -f1) MB of images"
  check_rows "$large" "$LARGE"
  large_runs=$(((RUNS + 1) / 2))
  (cd "$large" && hyperfine --style basic --warmup 1 --runs "$large_runs" \
    --export-csv "$work/large.csv" \
    -n sorbek "'$sorbek' '*.CAS'" \
    -n floor "'$floor' *.CAS" >/dev/null)
  t_sorbek_large=$(median "$work/large.csv" sorbek)
  t_floor_large=$(median "$work/large.csv" floor)
  peak_large=$(peak_kib "$large" '*.CAS')
  v_peak=$(verdict "$peak_large" "<=" 16384)
  [ "$v_peak" = met ] || status=1
  echo
  echo "scaling (median wall time per image):"
  printf '  %-8s %8s us at %d images, %8s us at %d images\n' \
    sorbek "$(micro_per_image "$t_sorbek" "$SMALL")" "$SMALL" \
    "$(micro_per_image "$t_sorbek_large" "$LARGE")" "$LARGE" \
    floor "$(micro_per_image "$t_floor" "$SMALL")" "$SMALL" \
    "$(micro_per_image "$t_floor_large" "$LARGE")" "$LARGE"
  echo "  sorbek/floor at $LARGE images: $(ratio "$t_sorbek_large" "$t_floor_large")"
  echo "sorbek peak memory, $LARGE images: $peak_large KiB (target <= 16384: $v_peak)"
fi

echo
[ "$status" -eq 0 ] && echo "all targets met" || echo "a target was missed"
exit "$status"
