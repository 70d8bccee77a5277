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
