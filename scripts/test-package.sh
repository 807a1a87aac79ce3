#!/usr/bin/env bash
# Installs the tools into a scratch prefix and runs them there, checks the manual page, builds the
# Debian and RPM packages, checks what they hold and runs the tools unpacked from each; lintian
# must find no error or warning in the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
build=build-package
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The tools in directory $1 print the example reports.
check_reports() {
  for tool in sorbek ravnik; do
    pattern='*.cas'
    [ "$tool" = ravnik ] && pattern='*.ttp'
    (cd examples && "$1/$tool" -l "$pattern") >"$scratch/$tool-l.txt"
    cmp "$scratch/$tool-l.txt" "examples/reports/$tool-l.txt" ||
      { echo "$1/$tool -l '$pattern' differs from examples/reports/$tool-l.txt"; exit 1; }
  done
}

echo "== install into a scratch prefix"
cmake -S . -B "$build" -DTVC_BUILD_TESTS=OFF -DTVC_WERROR=ON
cmake --build "$build" -j"$jobs"
cmake --install "$build" --prefix "$scratch/prefix"
check_reports "$scratch/prefix/bin"
test -f "$scratch/prefix/share/man/man1/sorbek.1.gz"
test -f "$scratch/prefix/share/man/man1/ravnik.1.gz"
echo "installed tools print the example reports"

echo "== manual page"
mandoc -T lint -W style "$build/man/sorbek.1"
groff -man -ww -z "$build/man/sorbek.1" 2>"$scratch/groff.txt"
if [ -s "$scratch/groff.txt" ]; then cat "$scratch/groff.txt"; exit 1; fi
MANPATH="$scratch/prefix/share/man" man -P cat ravnik 2>/dev/null | grep -q "check TVC tape images"
echo "manual page clean; ravnik's page leads to it"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
doc=usr/share/doc/sorbek-ravnik

echo "== Debian package"
(cd "$build" && cpack -G DEB -B "$scratch/dist")
deb="$scratch/dist/sorbek-ravnik_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no $(basename "$deb") from cpack:"; ls "$scratch/dist"; exit 1; }
dpkg-deb --contents "$deb" >"$scratch/contents.txt"
for path in usr/bin/sorbek usr/bin/ravnik usr/share/man/man1/sorbek.1.gz \
  usr/share/man/man1/ravnik.1.gz $doc/copyright $doc/changelog.gz; do
  grep -q " \./$path\$" "$scratch/contents.txt" || { echo "missing $path in $deb"; exit 1; }
done
dpkg-deb --field "$deb" Section | grep -qx utils || { echo "$deb: section is not utils"; exit 1; }
dpkg-deb --field "$deb" Depends | grep -q libc6 || { echo "$deb: no dependency on libc6"; exit 1; }
dpkg-deb --extract "$deb" "$scratch/deb"
dpkg-deb --control "$deb" "$scratch/deb-control"
(cd "$scratch/deb" && md5sum --check --quiet "$scratch/deb-control/md5sums")
check_reports "$scratch/deb/usr/bin"
# Lintian does not look for the stack protector.
for tool in sorbek ravnik; do
  nm -D "$scratch/deb/usr/bin/$tool" | grep -q __stack_chk_fail ||
    { echo "$tool is built without the stack protector"; exit 1; }
done
# The copyright file carries LICENSE's notice and its text (indented, empty lines as " .").
copyright="$scratch/deb/$doc/copyright"
grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' LICENSE)" "$copyright" ||
  { echo "$copyright lacks the notice of LICENSE"; exit 1; }
diff <(sed -n '/^Permission/,$p' LICENSE | sed -e 's/^$/./' -e 's/^/ /') \
  <(sed -n '/^ Permission/,$p' "$copyright") ||
  { echo "the licence text in $copyright differs from LICENSE"; exit 1; }
echo "$(basename "$deb") holds the tools, their pages, the copyright file and the changelog"

echo "== lintian"
# No error or warning, and no hardening tag at any level (the one override, with its reason, is
# in packaging/lintian-overrides).
lintian_status=0
lintian --display-info --fail-on error,warning "$deb" >"$scratch/lintian.txt" || lintian_status=$?
cat "$scratch/lintian.txt"
if [ "$lintian_status" -ne 0 ] || grep -qE '^[EW]: |hardening-' "$scratch/lintian.txt"; then
  echo "lintian finds faults in $(basename "$deb") (exit status $lintian_status)"
  exit 1
fi
echo "lintian: no error, no warning, no hardening tag"

echo "== RPM package"
(cd "$build" && cpack -G RPM -B "$scratch/dist")
rpm="$scratch/dist/sorbek-ravnik-$version.$(uname -m).rpm"
[ -f "$rpm" ] || { echo "no $(basename "$rpm") from cpack:"; ls "$scratch/dist"; exit 1; }
rpm --query --package --list "$rpm"
[ "$(rpm --query --package --queryformat '%{LICENSE}' "$rpm")" = MIT ] ||
  { echo "$(basename "$rpm") does not say MIT for its licence"; exit 1; }
# The same files as the .deb, less lintian's overrides, all owned by root.
grep '^-' "$scratch/contents.txt" | awk '{print substr($6, 2)}' |
  grep -v '^/usr/share/lintian/' | sort >"$scratch/deb-files.txt"
rpm_files='[%{FILEMODES:perms} %{FILEUSERNAME}:%{FILEGROUPNAME} %{FILENAMES}\n]'
rpm --query --package --queryformat "$rpm_files" "$rpm" >"$scratch/rpm-files-long.txt"
grep '^-' "$scratch/rpm-files-long.txt" | awk '{print $3}' | sort >"$scratch/rpm-files.txt"
diff "$scratch/deb-files.txt" "$scratch/rpm-files.txt" ||
  { echo "the .rpm and the .deb hold different files"; exit 1; }
awk '$2 != "root:root" {print; bad = 1} END {exit bad}' "$scratch/rpm-files-long.txt" ||
  { echo "files above in $(basename "$rpm") are not owned by root"; exit 1; }
mkdir "$scratch/rpm"
rpm2cpio "$rpm" | (cd "$scratch/rpm" && cpio --extract --make-directories --quiet)
check_reports "$scratch/rpm/usr/bin"
echo "$(basename "$rpm") holds the same files as the .deb, and its tools print the example reports"
