# Quarter turns, resizing, cropping, displacement and the ring warp on the
# 4000 x 3000 picture, each beside ImageMagick's nearest operation, and the
# streaming quadflip flag 4 beside copying the file.
# Targets: quadflip 1, 4 and 7 under 0.25 x ImageMagick (4 also within 2 x
# cp, under 16 MiB); resample under 0.5 x; snip under 0.25 x -crop (under
# 16 MiB); joggle 0 under 0.5 x displace, 2 under 2 x 0; annulus under 0.5 x
# -distort Polar.
measure "cp" cp "$big" "$work/copy.bmp"
for flag in 1 4 7; do
  measure "quadflip $flag" "$bin/quadflip" "$big" "$work/quad.bmp" "$flag"
done
if have_magick; then
  measure "ImageMagick -rotate 90" "$magick" "$big" -rotate 90 "$work/im.bmp"
  measure "ImageMagick -flop" "$magick" "$big" -flop "$work/im.bmp"
  measure "ImageMagick -transpose" "$magick" "$big" -transpose "$work/im.bmp"
fi
ratio "quadflip 1" "ImageMagick -rotate 90"
ratio "quadflip 4" "ImageMagick -flop"
ratio "quadflip 4" "cp"
ratio "quadflip 7" "ImageMagick -transpose"

measure "resample 1600 1200" "$bin/resample" "$big" "$work/small.bmp" 1600 1200
measure "resample 6000 4500" "$bin/resample" "$big" "$work/large.bmp" 6000 4500
measure "resample 6000 4500 1" "$bin/resample" "$big" "$work/large.bmp" 6000 4500 1
if have_magick; then
  measure "ImageMagick -resize 1600x1200!" "$magick" "$big" -resize '1600x1200!' "$work/im.bmp"
  measure "ImageMagick -resize 6000x4500!" "$magick" "$big" -resize '6000x4500!' "$work/im.bmp"
  measure "ImageMagick -sample 6000x4500!" "$magick" "$big" -sample '6000x4500!' "$work/im.bmp"
fi
ratio "resample 1600 1200" "ImageMagick -resize 1600x1200!"
ratio "resample 6000 4500" "ImageMagick -resize 6000x4500!"
ratio "resample 6000 4500 1" "ImageMagick -sample 6000x4500!"

measure "snip 2000 1500 1000 700" "$bin/snip" "$big" "$work/snip.bmp" 2000 1500 1000 700
have_magick && measure "ImageMagick -crop" "$magick" "$big" -crop 2000x1500+1000+700 +repage \
  "$work/im.bmp"
ratio "snip 2000 1500 1000 700" "ImageMagick -crop"

# The map: a diagonal ramp from black to white.
"$bin/ramp" "$work/map.bmp" 4000 3000 0 0 0 255 255 255 45 >/dev/null
for flag in 0 2; do
  measure "joggle 10 flag $flag" "$bin/joggle" "$work/map.bmp" "$big" "$work/joggle.bmp" 10 10 1 \
    "$flag"
done
have_magick && measure "ImageMagick displace 10x10" "$magick" "$big" "$work/map.bmp" \
  -compose displace -define compose:args=10x10 -composite "$work/im.bmp"
ratio "joggle 10 flag 0" "ImageMagick displace 10x10"
ratio "joggle 10 flag 2" "joggle 10 flag 0"

measure "annulus 3000 1500 500" "$bin/annulus" "$big" "$work/ring.bmp" 3000 3000 1500 500 0 1
have_magick && measure "ImageMagick -distort Polar" "$magick" "$big" \
  -define distort:viewport=3000x3000 -distort Polar 1500,500 "$work/im.bmp"
ratio "annulus 3000 1500 500" "ImageMagick -distort Polar"
