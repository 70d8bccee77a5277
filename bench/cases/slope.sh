# mist_slope and mist_mask, the fractional-box tools, on the 4000 x 3000
# picture at degrees 2 and 10, beside ImageMagick's -blur 0x5.
# mist_slope: graded from 0 to the degree along 30 degrees, and one degree
# everywhere (a whole degree has no ring weight: the tables settle every
# pixel). mist_mask: a white filter (the full degree everywhere) and a filter
# running from black at the left to white at the right, both made by ramp.
# The test picture is made of linear ramps, whose box means are whole numbers:
# there the plain sum's rounding decides most bytes of the first pass, which
# the tools then re-add exactly, the costliest case for them.
# Targets: each tool at degree 10 under 3 x its time at degree 2, and faster
# than ImageMagick -blur 0x5.
"$bin/ramp" "$work/white.bmp" 4000 3000 255 255 255 255 255 255 >/dev/null
"$bin/ramp" "$work/left-right.bmp" 4000 3000 255 255 255 0 0 0 90 >/dev/null
for degree in 2 10; do
  measure "mist_slope 30 $degree 0" "$bin/mist_slope" "$big" "$work/slope.bmp" 30 "$degree" 0
  measure "mist_slope 30 $degree $degree" "$bin/mist_slope" "$big" "$work/slope.bmp" 30 \
    "$degree" "$degree"
  measure "mist_mask white $degree" "$bin/mist_mask" "$work/white.bmp" "$big" "$work/mask.bmp" \
    "$degree" 0
  measure "mist_mask left-right $degree" "$bin/mist_mask" "$work/left-right.bmp" "$big" \
    "$work/mask.bmp" "$degree" 0
done
have_magick && measure "ImageMagick -blur 0x5" "$magick" "$big" -blur 0x5 "$work/im-blur.bmp"
for tool in "mist_slope 30 # 0" "mist_slope 30 # #" "mist_mask white #" "mist_mask left-right #"; do
  ratio "${tool//#/10}" "${tool//#/2}"
done
for tool in "mist_slope 30 10 0" "mist_slope 30 10 10" "mist_mask white 10" "mist_mask left-right 10"; do
  ratio "$tool" "ImageMagick -blur 0x5"
done
