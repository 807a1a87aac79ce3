#!/usr/bin/env bash
# Installs those packages of scripts/debian-packages.txt that are missing, on Debian and Ubuntu:
# with apt-get as root, or through sudo. Where neither is possible it prints the apt-get line to
# run as root, and fails. The first step of scripts/run-tests.sh; it also runs alone.
#
#   scripts/install-packages.sh          # what the build and the tests need
#   scripts/install-packages.sh build    # only what building the tools needs
#   scripts/install-packages.sh bench    # what bench/run.sh needs beyond the build
set -euo pipefail
cd "$(dirname "$0")/.."
list=scripts/debian-packages.txt
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build test)

# wanted GROUP: whether the packages of GROUP are to be installed.
wanted() {
  local group
  for group in "${groups[@]}"; do [ "$group" = "$1" ] && return 0; done
  return 1
}

packages=()
group=""
while read -r line || [ -n "$line" ]; do
  read -ra words <<<"${line%%#*}"
  [ ${#words[@]} -eq 0 ] && continue
  if [[ ${words[0]} =~ ^\[(.*)\]$ ]]; then
    group=${BASH_REMATCH[1]}
    continue
  fi
  wanted "$group" && packages+=("${words[@]}")
done <"$list"
if [ ${#packages[@]} -eq 0 ]; then
  echo "no packages in $list for the group(s) ${groups[*]}" >&2
  exit 2
fi

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
  # Not Debian or Ubuntu: the steps whose tools are missing fail with their own message.
  echo "no apt-get here: install the equivalents of these Debian packages yourself:"
  echo "  ${packages[*]}"
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "all ${#packages[@]} packages wanted of $list are installed"
  exit 0
fi
echo "missing packages: ${missing[*]}"

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null && { sudo -n true 2>/dev/null || [ -t 0 ]; }; then
  # sudo resets the environment, so the front end is passed on explicitly. Without a terminal
  # sudo cannot ask for a password, hence the -n check.
  as_root=(sudo DEBIAN_FRONTEND=noninteractive)
else
  {
    echo "cannot install them: this is not root, and sudo is missing or needs a password that"
    echo "cannot be asked for here. As root, run:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
    echo "then run $0 (or scripts/run-tests.sh) again."
  } >&2
  exit 1
fi

if ! "${as_root[@]}" apt-get update || ! "${as_root[@]}" apt-get install -y "${missing[@]}"; then
  echo "installing the packages failed (see above); the line was:" >&2
  echo "  ${as_root[*]} apt-get install -y ${missing[*]}" >&2
  exit 1
fi
