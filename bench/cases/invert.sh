# invert against copying the file (the I/O floor) and ImageMagick's -negate.
measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "invert" "$bin/invert" "$big" "$work/inverted.bmp"
have_magick && measure "ImageMagick -negate" "$magick" "$big" -negate "$work/im-negate.bmp"
ratio "invert" "copy (cp)"
ratio "invert" "ImageMagick -negate"
