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
  chain+=" && vips rotate $work/r2.v $work/r3.v -- -30"
  measure "twirl32 30 0 1" "$bin/twirl32" "$work/big32.bmp" "$work/twirl32.bmp" 30 0 1
  measure "mist_turn 30 10 10" "$bin/mist_turn" "$big" "$work/mist10.bmp" 30 10 10
  measure "vips rotate 30 (.v)" vips rotate "$bigv" "$work/o.v" 30
  measure "vips rotate, gaussblur 5, rotate back (.v)" bash -c "$chain"
  ratio "twirl 30 aa8 auto" "vips rotate 30 (.v)"
  ratio "twirl32 30 0 1" "vips rotate 30 (.v)"
  ratio "mist_turn 30 10 10" "vips rotate, gaussblur 5, rotate back (.v)"
fi
# Shapes whose canvas (twice the longer side, squared) once dwarfed the
# pixels: a 16000 x 1000 strip, a 10000 x 7500 picture (and its 4-byte file)
# and a 20000 x 1000 strip, whose canvas would not even fit a file. Peaks
# should follow the input and the output.
picture 16000 1000 "$work/strip.bmp"
picture 10000 7500 "$work/huge.bmp"
picture 20000 1000 "$work/strip20.bmp"
measure "strip 16000x1000: twirl 30 0 1" "$bin/twirl" "$work/strip.bmp" "$work/o.bmp" 30 0 1
measure "strip 16000x1000: mist_turn 30 10 10" "$bin/mist_turn" "$work/strip.bmp" "$work/o.bmp" 30 10 10
measure "strip 20000x1000: twirl 30 0 1" "$bin/twirl" "$work/strip20.bmp" "$work/o.bmp" 30 0 1
"$bin/fusion" "$work/huge.bmp" "$work/huge.bmp" "$work/huge32.bmp" >/dev/null
measure "10000x7500: twirl 30 0 1" "$bin/twirl" "$work/huge.bmp" "$work/o.bmp" 30 0 1
measure "10000x7500: twirl32 30 0 1" "$bin/twirl32" "$work/huge32.bmp" "$work/o.bmp" 30 0 1
measure "10000x7500: mist_turn 30 10 10" "$bin/mist_turn" "$work/huge.bmp" "$work/o.bmp" 30 10 10
rm -f "$work/huge32.bmp"
if have vips; then
  vips copy "$work/strip.bmp" "$work/strip.v"
  vips copy "$work/huge.bmp" "$work/huge.v"
  measure "strip 16000x1000: vips rotate 30 (.v)" vips rotate "$work/strip.v" "$work/o.v" 30
  measure "10000x7500: vips rotate 30 (.v)" vips rotate "$work/huge.v" "$work/o.v" 30
  ratio "strip 16000x1000: twirl 30 0 1" "strip 16000x1000: vips rotate 30 (.v)"
  ratio "10000x7500: twirl 30 0 1" "10000x7500: vips rotate 30 (.v)"
  ratio "10000x7500: twirl32 30 0 1" "10000x7500: vips rotate 30 (.v)"
fi
rm -f "$work/o.bmp" "$work/o.v" "$work/strip.bmp" "$work/strip.v" "$work/huge.bmp" "$work/huge.v" \
  "$work/strip20.bmp"
