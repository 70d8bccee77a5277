#!/usr/bin/env bash
# Starting inputs for the whole-run targets: each chooses tool t and form f,
# then repeats one byte for the sizes, numbers and pixels (sound headers,
# small flags, images of a few pixels a side).
set -euo pipefail
out=${1:?usage: fuzz/seeds.sh FOLDER}
mkdir -p "$out"
for t in $(seq 0 47); do
  for f in 0 1 2 3 4 5; do
    fill=$((5 + f))
    { printf "\\x$(printf %02x "$t")\\x$(printf %02x "$f")"
      head -c 120 /dev/zero | tr '\0' "\\$(printf %03o "$fill")"; } > "$out/seed-$t-$f"
  done
done
