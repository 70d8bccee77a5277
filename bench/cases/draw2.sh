# The second drawing tools on the 4000 x 3000 test picture (or a new image of
# that size), against copying a file of the same size (the I/O floor) and
# ImageMagick's nearest operation where it has one.
measure "copy (cp)" cp "$big" "$work/copy.bmp"
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
