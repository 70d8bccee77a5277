# The defocus family on the 4000 x 3000 picture: mist_even and mist_vert at
# whole degrees 2, 20 and 200, beside ImageMagick's Gaussian blur with
# sigma = degree / 2 and its box mean of the same width (one separable
# (2d + 1)-square box; the tools run two box passes, through a temporary file).
# Targets: degree 200 within 1.3 x degree 2, and each tool faster than
# -blur 0x(degree / 2).
for degree in 2 20 200; do
  measure "mist_even $degree" "$bin/mist_even" "$big" "$work/even.bmp" "$degree"
  measure "mist_vert $degree $degree" "$bin/mist_vert" "$big" "$work/vert.bmp" "$degree" "$degree"
  if have_magick; then
    sigma=$((degree / 2))
    side=$((2 * degree + 1))
    measure "ImageMagick -blur 0x$sigma" "$magick" "$big" -blur "0x$sigma" "$work/im-blur.bmp"
    measure "ImageMagick box mean ${side}x$side" "$magick" "$big" -define convolve:scale='!' \
      -morphology Convolve "Rectangle:${side}x1" -morphology Convolve "Rectangle:1x$side" \
      "$work/im-box.bmp"
  fi
done
# A fractional degree blends two boxes: twice the box work of a whole one.
measure "mist_even 20.5" "$bin/mist_even" "$big" "$work/even.bmp" 20.5
measure "mist_vert 200 0 (ramp)" "$bin/mist_vert" "$big" "$work/vert.bmp" 200 0
measure "mist_horz 20 20" "$bin/mist_horz" "$big" "$work/horz.bmp" 20 20
measure "copy (cp)" cp "$big" "$work/copy.bmp"
ratio "mist_even 200" "mist_even 2"
ratio "mist_vert 200 200" "mist_vert 2 2"
for degree in 2 20 200; do
  ratio "mist_even $degree" "ImageMagick -blur 0x$((degree / 2))"
  ratio "mist_vert $degree $degree" "ImageMagick -blur 0x$((degree / 2))"
done
ratio "mist_even 2" "copy (cp)"
