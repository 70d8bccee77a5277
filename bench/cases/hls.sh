# The colour tools on the 4000 x 3000 picture: recolor in its four modes and
# recolor_mask's three Flags under a white FILTER and a left-to-right ramp,
# beside copying, invert and ImageMagick's -modulate (hue, lightness and
# saturation scaled at once).
# Targets: recolor modes 2 and 3, recolor_mask Flags 0 and 2 at most 0.25 x
# -modulate; recolor modes 0 and 1, recolor_mask Flag 1 within 3 x invert.
"$bin/ramp" "$work/white.bmp" 4000 3000 255 255 255 255 255 255 >/dev/null
"$bin/ramp" "$work/ramp.bmp" 4000 3000 255 255 255 0 0 0 90 0 >/dev/null
measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "invert" "$bin/invert" "$big" "$work/inverted.bmp"
have_magick && measure "ImageMagick -modulate 120,150,130" "$magick" "$big" -modulate 120,150,130 \
  "$work/im-modulate.bmp"
declare -A recolor_modes=([0]="1.2" [1]="10 -20 5 1" [2]="0.5 0.8 1.5 2" [3]="30 0.1 0.4 3")
for mode in 0 1 2 3; do
  # shellcheck disable=SC2086  # the numbers are separate arguments
  measure "recolor mode $mode" "$bin/recolor" "$big" "$work/recolor.bmp" ${recolor_modes[$mode]}
done
for filter in white ramp; do
  for flag in 0 1 2; do
    measure "recolor_mask $filter Flag $flag" "$bin/recolor_mask" "$work/$filter.bmp" "$big" \
      "$work/masked.bmp" 0.5 "$flag"
  done
done
for mode in 0 1; do
  ratio "recolor mode $mode" "invert"
done
ratio "recolor_mask white Flag 1" "invert"
ratio "recolor_mask ramp Flag 1" "invert"
for mode in 2 3; do
  ratio "recolor mode $mode" "ImageMagick -modulate 120,150,130"
done
for filter in white ramp; do
  for flag in 0 2; do
    ratio "recolor_mask $filter Flag $flag" "ImageMagick -modulate 120,150,130"
  done
done
ratio "invert" "copy (cp)"
