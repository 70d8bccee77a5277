# The costly tools on all cores and on one (taskset -c 0), against copying the
# file and libvips on its native format where vips is installed.
measure "cp of the file" cp "$big" "$work/copy.bmp"
python3 - "$work/white.bmp" "$work/across.bmp" <<'PY'
import struct, sys
w, h = 4000, 3000
pad = w % 4
def write(path, grey):
    head = b"BM" + struct.pack("<IHHIIiiHHIIIIII", 54 + h * (3 * w + pad), 0, 0, 54, 40, w, h, 1, 24, 0, 0, 0, 0, 0, 0)
    row = bytes(v for x in range(w) for v in (grey(x),) * 3) + b"\0" * pad
    open(path, "wb").write(head + row * h)
write(sys.argv[1], lambda x: 255)
write(sys.argv[2], lambda x: x * 255 // (w - 1))
PY
tools=(
  "mist_slope 30 10 10|mist_slope $big $work/o.bmp 30 10 10"
  "mist_slope 30 10 0|mist_slope $big $work/o.bmp 30 10 0"
  "mist_mask 10 white|mist_mask $work/white.bmp $big $work/o.bmp 10 0"
  "mist_mask 10 left to right|mist_mask $work/across.bmp $big $work/o.bmp 10 0"
  "twirl 30 0 1|twirl $big $work/o.bmp 30 0 1"
  "mist_turn 30 10 10|mist_turn $big $work/o.bmp 30 10 10"
  "mist_even 20|mist_even $big $work/o.bmp 20"
  "mist_vert 20 20|mist_vert $big $work/o.bmp 20 20"
  "mist_horz 20 20|mist_horz $big $work/o.bmp 20 20"
)
for entry in "${tools[@]}"; do
  label=${entry%%|*}
  read -r -a command <<<"${entry#*|}"
  measure "$label" "$bin/${command[0]}" "${command[@]:1}"
  measure "$label, one core" taskset -c 0 "$bin/${command[0]}" "${command[@]:1}"
  ratio "$label" "cp of the file"
done
# side_by_side LABEL A B: commands A and B (each one string of words) run in
# turn, $runs pairs; prints the median of A's time over B's pair by pair, so
# that the machine's drift during the runs leaves the ratio alone.
side_by_side() {
  local label=$1 a b ratios=() i t0 t1 t2
  read -r -a a <<<"$2"
  read -r -a b <<<"$3"
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    "${a[@]}" >/dev/null 2>&1 </dev/null || { echo "  $label: failed ($2)"; return; }
    t1=$(date +%s%N)
    "${b[@]}" >/dev/null 2>&1 </dev/null || { echo "  $label: failed ($3)"; return; }
    t2=$(date +%s%N)
    ratios+=("$(echo "($t1 - $t0) / ($t2 - $t1)" | bc -l)")
  done
  printf '  %-40s %9.2f x   side by side, median of %d pairs\n' "$label" \
    "$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')" \
    "$runs"
}
if have vips; then
  side_by_side "mist_slope 30 10 0 / vips gaussblur 5 (.v)" \
    "$bin/mist_slope $big $work/o.bmp 30 10 0" "vips gaussblur $bigv $work/o.v 5"
  measure "vips gaussblur 5 (.v)" vips gaussblur "$bigv" "$work/o.v" 5
  measure "vips rotate 30 (.v)" vips rotate "$bigv" "$work/o.v" 30
  for tool in "mist_slope 30 10 10" "mist_slope 30 10 0" "mist_mask 10 white" \
    "mist_mask 10 left to right"; do
    ratio "$tool" "vips gaussblur 5 (.v)"
  done
  ratio "twirl 30 0 1" "vips rotate 30 (.v)"
fi
