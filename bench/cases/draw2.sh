# The second drawing tools on 4000 x 3000, against copying a file of the same
# size (the I/O floor) and ImageMagick's nearest operations written as BMP.
measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "scatter sequential" "$bin/scatter" "$work/scatter.bmp" 4000 3000 5
measure "scatter positional, count 10" "$bin/scatter" "$work/scatter-runs.bmp" 4000 3000 5 10
have_magick && measure "ImageMagick xc: +noise Random" "$magick" -size 4000x3000 xc:gray \
  +noise Random "$work/im-noise.bmp"
measure "quilt steps 50" "$bin/quilt" "$work/quilt.bmp" 4000 3000 255 255 255 0 0 0 50 50
have_magick && measure "ImageMagick pattern:checkerboard" "$magick" -size 4000x3000 \
  pattern:checkerboard "$work/im-checker.bmp"
ratio "scatter sequential" "copy (cp)"
ratio "scatter positional, count 10" "copy (cp)"
ratio "ImageMagick xc: +noise Random" "scatter sequential"
ratio "ImageMagick xc: +noise Random" "scatter positional, count 10"
ratio "quilt steps 50" "copy (cp)"
ratio "ImageMagick pattern:checkerboard" "quilt steps 50"
measure "blank colour" "$bin/blank" "$work/blank.bmp" 4000 3000 255 128 0
have_magick && measure "ImageMagick xc:" "$magick" -size 4000x3000 "xc:rgb(255,128,0)" "$work/im-xc.bmp"
ratio "blank colour" "copy (cp)"
ratio "ImageMagick xc:" "blank colour"
measure "patch 2000 x 1000 at 50 %" "$bin/patch" "$big" "$work/patch.bmp" 2000 1000 1000 1000 \
  255 0 0 50
have_magick && measure "ImageMagick -draw rectangle" "$magick" "$big" -fill "rgba(255,0,0,0.5)" \
  -draw "rectangle 1000,1000 2999,1999" "$work/im-rectangle.bmp"
ratio "patch 2000 x 1000 at 50 %" "copy (cp)"
ratio "ImageMagick -draw rectangle" "patch 2000 x 1000 at 50 %"
# The ripples: radius 1500, 10 waves, with and without noise. ImageMagick has
# no near operation (-fx takes minutes): the ratio to ramp stands instead.
measure "ramp 30 deg curve 1" "$bin/ramp" "$work/ramp.bmp" 4000 3000 255 255 255 0 0 0 30 1
measure "ripple_over r 1500, 10 waves" "$bin/ripple_over" "$big" "$work/ripple_over.bmp" \
  2000 1500 1500 10 0 1
measure "ripple_over ... noise" "$bin/ripple_over" "$big" "$work/ripple_over-noise.bmp" \
  2000 1500 1500 10 0 1 1.0 1
measure "ripple_plain r 1500, 10 waves" "$bin/ripple_plain" "$work/ripple_plain.bmp" 4000 3000 \
  2000 1500 1500 10 0 1
measure "ripple_plain ... noise" "$bin/ripple_plain" "$work/ripple_plain-noise.bmp" 4000 3000 \
  2000 1500 1500 10 0 1 1.0 1
for label in "ripple_over r 1500, 10 waves" "ripple_over ... noise" "ripple_plain r 1500, 10 waves" \
  "ripple_plain ... noise"; do
  ratio "$label" "copy (cp)"
  ratio "$label" "ramp 30 deg curve 1"
done
measure "stroke corner to corner" "$bin/stroke" "$big" "$work/stroke.bmp" 0 1 3999 3000 255 0 0
have_magick && measure "ImageMagick -draw line" "$magick" "$big" -fill red \
  -draw "line 0,0 3999,2999" "$work/im-line.bmp"
ratio "stroke corner to corner" "copy (cp)"
ratio "ImageMagick -draw line" "stroke corner to corner"
measure "disc 1500 x 1000, bands 100" "$bin/disc" "$big" "$work/disc.bmp" 2000 1500 1500 1000 \
  255 255 255 100 100 30
have_magick && measure "ImageMagick -draw ellipse" "$magick" "$big" -fill white \
  -draw "ellipse 2000,1500 1500,1000 0,360" "$work/im-ellipse.bmp"
ratio "disc 1500 x 1000, bands 100" "copy (cp)"
ratio "ImageMagick -draw ellipse" "disc 1500 x 1000, bands 100"
measure "vignette count 8, bands 200" "$bin/vignette" "$big" "$work/vignette.bmp" 200 200 0 0 0
ratio "vignette count 8, bands 200" "copy (cp)"
ratio "ImageMagick -draw ellipse" "vignette count 8, bands 200"
measure "border 100, ROUND 50" "$bin/border" "$big" "$work/border.bmp" 100 50 255 255 255
ratio "border 100, ROUND 50" "copy (cp)"
