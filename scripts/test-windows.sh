#!/usr/bin/env bash
# The Windows leg: cross-builds the tools and the tests with MinGW-w64, warnings as errors, in
# build-windows/, and runs the tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-windows
prefix="$root/$build/wine-prefix"
jobs=$(nproc 2>/dev/null || echo 2)
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

echo "== Windows build (MinGW-w64, warnings as errors)"
cmake -S . -B "$build" --toolchain cmake/mingw-w64-x86_64.cmake -DTVC_WERROR=ON -DTVC_BUILD_TESTS=ON \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/scripts/run-under-wine.sh;$prefix"
cmake --build "$build" -j"$jobs"

echo "== Windows tests under Wine"
# One wineserver for the whole run, started before the prefix is made so that every program
# (parallel tests included) uses it; stopped on every way out.
mkdir -p "$prefix"
export WINEPREFIX="$prefix"
"$wineserver" -k 2>/dev/null || true
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wineserver" -p
# wineboot makes the prefix on the first run and starts Wine's own services each time. They live
# as long as the wineserver; started by a test instead, they would hold its output pipe open
# and keep CTest waiting.
[ -f "$prefix/system.reg" ] || echo "making the Wine prefix $prefix (once)"
scripts/run-under-wine.sh "$prefix" wineboot --init >"$build/wineboot.log" 2>&1
ctest --test-dir "$build" --output-on-failure --no-tests=error --timeout 600 -j"$jobs"

echo "== Windows release zip"
dist="$build/dist"
rm -rf "$dist"
(cd "$build" && cpack -G ZIP -B "$root/$dist")
zip=$(ls "$dist"/sorbek-ravnik-*-windows-x64.zip)
listing=$(cmake -E tar tf "$zip")
for file in sorbek.exe ravnik.exe README.md LICENSE sorbek-ravnik-manual.txt; do
  grep -qx "$file" <<<"$listing" || { echo "missing $file in $zip"; echo "$listing"; exit 1; }
done
echo "$(basename "$zip") holds: $(tr '\n' ' ' <<<"$listing")"
