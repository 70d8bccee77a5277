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

# The same tools at large sizes, per pixel against 4000 x 3000: 10000 x 7500
# and 12000 x 9000 (a 108-megapixel phone picture; mist_mask takes widths up
# to 10000). Targets: at most 1.15 x the time per pixel, peak memory growing
# no faster than the picture.
picture 10000 7500 "$work/big-10000.bmp"
picture 12000 9000 "$work/big-12000.bmp"
"$bin/ramp" "$work/left-right-10000.bmp" 10000 7500 255 255 255 0 0 0 90 >/dev/null
for size in "10000 7500" "12000 9000"; do
  read -r w h <<<"$size"
  measure "mist_slope 30 10 0 at $w x $h" "$bin/mist_slope" "$work/big-$w.bmp" "$work/slope.bmp" \
    30 10 0
  measure "mist_slope 30 10 10 at $w x $h" "$bin/mist_slope" "$work/big-$w.bmp" "$work/slope.bmp" \
    30 10 10
done
measure "mist_mask left-right 10 at 10000 x 7500" "$bin/mist_mask" \
  "$work/left-right-10000.bmp" "$work/big-10000.bmp" "$work/mask.bmp" 10 0
rm -f "$work/slope.bmp" "$work/mask.bmp" "$work/big-10000.bmp" "$work/big-12000.bmp" \
  "$work/left-right-10000.bmp"
# per_pixel LABEL BASE PIXELS: the median of LABEL over that of BASE, over
# how many times BASE's pixels LABEL has.
per_pixel() {
  local a=${median_of[$1]:-} b=${median_of[$2]:-}
  [ -n "$a" ] && [ -n "$b" ] || return 0
  printf '  %-40s %9.2f x per pixel\n' "$1" "$(echo "$a / $b / $3" | bc -l)"
}
for tool in "mist_slope 30 10 0" "mist_slope 30 10 10"; do
  per_pixel "$tool at 10000 x 7500" "$tool" 6.25
  per_pixel "$tool at 12000 x 9000" "$tool" 9
done
per_pixel "mist_mask left-right 10 at 10000 x 7500" "mist_mask left-right 10" 6.25
