#!/usr/bin/env bash
# Times the suite's tools on large generated images against the I/O floor
# (copying the same bytes) and ImageMagick's nearest operations where they are
# installed. Prints medians, ratios and peak memory. Not a test: never in CI.
#
#   bench/run.sh [case ...]     cases: the files in bench/cases (default: all)
#   RUNS=5 BUILD=build-bench bench/run.sh invert
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD:-$root/build-bench}
runs=${RUNS:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/bmp-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBMP_TESTS=OFF >/dev/null
ninja -C "$build" >/dev/null
bin=$build/bin

# picture WIDTH HEIGHT PATH: the test picture at any size, smooth gradients
# with some detail (each row the first one's bytes shifted by 3 per row).
picture() {
  python3 - "$@" <<'PY'
import struct, sys
w, h, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
pad = w % 4
row_len = 3 * w + pad
base = bytes((x * 255 // w) if i == 0 else ((x * 7) & 255) if i == 1 else 128 for x in range(w) for i in range(3))
shifted = [bytes((b + s) & 255 for b in range(256)) for s in range(256)]
with open(path, "wb") as out:
    out.write(b"BM" + struct.pack("<IHHIIiiHHIIIIII", 54 + h * row_len, 0, 0, 54, 40, w, h, 1, 24, 0, 0, 0, 0, 0, 0))
    for y in range(h):
        out.write(base.translate(shifted[(y * 3) % 256]) + b"\0" * pad)
PY
}
picture 4000 3000 "$work/big.bmp"
big=$work/big.bmp

declare -A median_of
# measure LABEL COMMAND...: median wall time over $runs runs, and peak memory.
measure() {
  local label=$1
  shift
  local times=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 </dev/null || { echo "  $label: failed ($*)"; return; }
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  # One more run for the peak memory and the cores it kept busy (CPU time
  # over wall time).
  local peak wall user sys
  read -r peak wall user sys < <(/usr/bin/time -f '%M %e %U %S' "$@" 2>&1 >/dev/null </dev/null | tail -1)
  median_of[$label]=$median
  printf '  %-40s %9.3f s   peak %7.1f MiB   cores %4.1f\n' "$label" \
    "$(echo "$median / 1000000" | bc -l)" "$(echo "$peak / 1024" | bc -l)" \
    "$(echo "($user + $sys) / ($wall + 0.005)" | bc -l)"
}
# ratio A B: how many times the median of A is that of B.
ratio() {
  local a=${median_of[$1]:-} b=${median_of[$2]:-}
  [ -n "$a" ] && [ -n "$b" ] || return 0
  printf '  %-40s %9.2f x\n' "$1 / $2" "$(echo "$a / $b" | bc -l)"
}
have() { command -v "$1" >/dev/null 2>&1; }
# ImageMagick (the real one, not a stand-in earlier on PATH) and libvips.
magick=/usr/bin/convert
have_magick() { [ -x "$magick" ]; }
# libvips on its own format, read and written without BMP conversion.
bigv=$work/big.v
have vips && vips copy "$big" "$bigv"

cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=($(cd "$here/cases" && ls *.sh | sed 's/\.sh$//'))
echo "bench: ${runs} runs each, median wall time; image 4000 x 3000 ($(stat -c %s "$big") bytes)"
for name in "${cases[@]}"; do
  echo "[$name]"
  # shellcheck source=/dev/null
  source "$here/cases/$name.sh"
done
