# Rotation by 30 degrees: twirl (eight samples, auto size) against ImageMagick's
# -rotate 30 and libvips's rotate, and mist_turn at blur degrees 2 and 8
# against twirl on the same image and angle.
measure "twirl 30 aa8 auto" "$bin/twirl" "$big" "$work/twirl.bmp" 30 0 1
have_magick && measure "ImageMagick -rotate 30" "$magick" "$big" -rotate 30 "$work/im-rotate.bmp"
have vips && measure "vips rotate 30" vips rotate "$big" "$work/vips-rotate.bmp" 30
if [ -x "$bin/mist_turn" ]; then
  measure "mist_turn 30 degree 2" "$bin/mist_turn" "$big" "$work/mist2.bmp" 30 2 2
  measure "mist_turn 30 degree 8" "$bin/mist_turn" "$big" "$work/mist8.bmp" 30 8 8
fi
ratio "twirl 30 aa8 auto" "ImageMagick -rotate 30"
ratio "twirl 30 aa8 auto" "vips rotate 30"
ratio "mist_turn 30 degree 2" "twirl 30 aa8 auto"
ratio "mist_turn 30 degree 8" "twirl 30 aa8 auto"
