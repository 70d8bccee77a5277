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
if have vips; then
  measure "vips gaussblur 5 (.v)" vips gaussblur "$bigv" "$work/o.v" 5
  measure "vips rotate 30 (.v)" vips rotate "$bigv" "$work/o.v" 30
  for tool in "mist_slope 30 10 10" "mist_slope 30 10 0" "mist_mask 10 white" \
    "mist_mask 10 left to right"; do
    ratio "$tool" "vips gaussblur 5 (.v)"
  done
  ratio "twirl 30 0 1" "vips rotate 30 (.v)"
fi
