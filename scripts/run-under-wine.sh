#!/usr/bin/env bash
# Runs a Windows program under Wine; the cross build's CMAKE_CROSSCOMPILING_EMULATOR.
#   scripts/run-under-wine.sh PREFIX PROGRAM [ARGUMENT...]
# PREFIX is the Wine prefix (made on first use, which takes a while). scripts/test-windows.sh
# makes it beforehand and keeps one wineserver running, so that every start is quick.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers: the tests need neither

# Debian puts the 64-bit loader beside its wineserver, off PATH.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
exec "$wine" "$@"
