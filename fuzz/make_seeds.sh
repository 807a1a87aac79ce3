#!/usr/bin/env bash
# Writes the seed corpora of fuzz/corpus/ from the example images (written by our own
# examples/make_examples.cc) and from lines and patterns of the unit tests. Run it again after
# changing any of them.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=fuzz/corpus
rm -rf "$corpus"
mkdir -p "$corpus/image_check" "$corpus/command_line" "$corpus/wildcard"

# image_check: one control byte, then the image. Control bytes: 00 no fault, 05 reads of two
# bytes, 82 a read error halfway through the file, 03 a failing length query.
for image in examples/*.CAS examples/*.TTP; do
  base=$(basename "$image")
  for control in 00 05 82 03; do
    { printf "\\x$control"; cat "$image"; } >"$corpus/image_check/$base-$control"
  done
  # The image cut inside its header and just after it.
  { printf '\x00'; head -c 100 "$image"; } >"$corpus/image_check/$base-cut100"
  { printf '\x00'; head -c 150 "$image"; } >"$corpus/image_check/$base-cut150"
done

# command_line: whole command lines as a platform hands them over.
lines=(
  'sorbek a.cas "my file.cas"'
  "sorbek it's a.cas"
  'sorbek "say ""hi"""'
  "sorbek '\"q\"' \"'\""
  'sorbek ""'
  $'sorbek\t-l \x01\x1f a.cas\r\n'
  $'sorbek caf\xe9.cas'
  '"C:\Program Files\sorbek.exe" *.cas'
  'sorbek "a b   '
  'sorbek dir\"my games"\*.cas x'
)
for i in "${!lines[@]}"; do printf '%s' "${lines[$i]}" >"$corpus/command_line/line-$i"; done

# wildcard: a pattern, a zero byte, a name.
pairs=(
  '*.cas|GAME.CAS' '*.CAS|game.cas' '*|' 'a*.cas|ba.cas' '?.cas|.cas' '*a*a*|banana'
  '*a*a*a*a|banana' '[ab].cas|[AB].cas' 'a\*.cas|a\x.cas' '**.cas|x.cas' '*.?|x.'
  'b.cas|A.CAS' '_x.cas|10.cas' 'GAMES_001.CAS|games_001.cas'
)
for i in "${!pairs[@]}"; do
  pair=${pairs[$i]}
  { printf '%s' "${pair%%|*}"; printf '\0'; printf '%s' "${pair#*|}"; } \
    >"$corpus/wildcard/pair-$i"
done
printf '*\xe9*\0caf\xe9.cas' >"$corpus/wildcard/pair-high-bytes"
# UTF-8: á* and Ádám.CAS, ?sz.cas and ősz.cas, *ŐSZ* and an invalid name.
printf '\xc3\xa1*\0\xc3\x81d\xc3\xa1m.CAS' >"$corpus/wildcard/pair-utf8-0"
printf '?sz.cas\0\xc5\x91sz.cas' >"$corpus/wildcard/pair-utf8-1"
printf '*\xc5\x90SZ*\0\xc5\x91sz\xff.cas' >"$corpus/wildcard/pair-utf8-2"
