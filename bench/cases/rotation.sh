# Rotation by 30 degrees: twirl (eight samples, auto size) against ImageMagick's
# -rotate 30 and libvips's rotate, and mist_turn at blur degrees 2 and 8
# against twirl on the same image and angle. Then twirl, twirl32 (on a 4-byte
# file of the same picture) and mist_turn 30 10 10 against libvips on its own
# format: rotate 30, and the chain rotate 30, gaussblur 5, rotate -30.
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
if have vips; then
  "$bin/fusion" "$big" "$big" "$work/big32.bmp" >/dev/null
  chain="vips rotate $bigv $work/r1.v 30 && vips gaussblur $work/r1.v $work/r2.v 5"
  chain+=" && vips rotate $work/r2.v $work/r3.v -30"
  measure "twirl32 30 0 1" "$bin/twirl32" "$work/big32.bmp" "$work/twirl32.bmp" 30 0 1
  measure "mist_turn 30 10 10" "$bin/mist_turn" "$big" "$work/mist10.bmp" 30 10 10
  measure "vips rotate 30 (.v)" vips rotate "$bigv" "$work/o.v" 30
  measure "vips rotate, gaussblur 5, rotate back (.v)" bash -c "$chain"
  ratio "twirl 30 aa8 auto" "vips rotate 30 (.v)"
  ratio "twirl32 30 0 1" "vips rotate 30 (.v)"
  ratio "mist_turn 30 10 10" "vips rotate, gaussblur 5, rotate back (.v)"
fi
