# ramp: a new 4000 x 3000 gradient at 30 degrees with curve 1, against
# ImageMagick's gradient of the same size written as BMP and against copying
# a file of the same size (the I/O floor). ramp_over: the same gradient laid
# over the whole test picture at 50 %.
measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "ramp 30 deg curve 1" "$bin/ramp" "$work/ramp.bmp" 4000 3000 255 255 255 0 0 0 30 1
have_magick && measure "ImageMagick gradient:" "$magick" -size 4000x3000 gradient: "$work/im-gradient.bmp"
measure "ramp_over whole picture, 50 %" "$bin/ramp_over" "$big" "$work/ramp_over.bmp" 4000 3000 0 0 \
  255 255 255 0 0 0 30 1 50
ratio "ramp 30 deg curve 1" "copy (cp)"
ratio "ramp 30 deg curve 1" "ImageMagick gradient:"
ratio "ramp_over whole picture, 50 %" "copy (cp)"
ratio "ramp_over whole picture, 50 %" "ramp 30 deg curve 1"
