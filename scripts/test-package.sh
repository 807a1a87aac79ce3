#!/usr/bin/env bash
# Installs the tools into a scratch prefix and runs them there, checks the manual page, and
# builds the Debian package and checks what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
build=build-package
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== install into a scratch prefix"
cmake -S . -B "$build" -DTVC_BUILD_TESTS=OFF -DTVC_WERROR=ON
cmake --build "$build" -j"$jobs"
cmake --install "$build" --prefix "$scratch/prefix"
for tool in sorbek ravnik; do
  pattern='*.cas'
  [ "$tool" = ravnik ] && pattern='*.ttp'
  (cd examples && "$scratch/prefix/bin/$tool" -l "$pattern") > "$scratch/$tool-l.txt"
  cmp "$scratch/$tool-l.txt" "examples/reports/$tool-l.txt"
done
test -f "$scratch/prefix/share/man/man1/sorbek.1.gz"
test -f "$scratch/prefix/share/man/man1/ravnik.1.gz"
echo "installed tools print the example reports"

echo "== manual page"
mandoc -T lint -W style "$build/man/sorbek.1"
groff -man -ww -z "$build/man/sorbek.1" 2>"$scratch/groff.txt"
if [ -s "$scratch/groff.txt" ]; then cat "$scratch/groff.txt"; exit 1; fi
MANPATH="$scratch/prefix/share/man" man -P cat ravnik 2>/dev/null | grep -q "check TVC tape images"
echo "manual page clean; ravnik's page leads to it"

echo "== Debian package"
(cd "$build" && cpack -G DEB -B "$scratch/dist")
deb=$(ls "$scratch"/dist/sorbek-ravnik_*.deb)
dpkg-deb --contents "$deb" > "$scratch/contents.txt"
for path in ./usr/bin/sorbek ./usr/bin/ravnik ./usr/share/man/man1/sorbek.1.gz ./usr/share/man/man1/ravnik.1.gz; do
  grep -q " $path\$" "$scratch/contents.txt" || { echo "missing $path in $deb"; exit 1; }
done
dpkg-deb --field "$deb" Section | grep -qx utils
dpkg-deb --field "$deb" Depends | grep -q libc6
echo "$(basename "$deb") holds the tools and their pages"
