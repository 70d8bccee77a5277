# Alpha and key compositing on the 4000 x 3000 picture and its negative (a
# second picture, also the mask), with a 4-byte overlay made by fusion and a
# 32-bit BMP of the same picture and alpha for ImageMagick (stacking, joining
# and tiles: composite_tile.sh). Targets: matte_blend and key_blend within
# 3 x cp of the background and faster than -composite and composite -dissolve
# 50; fusion and unmatte within 2 x cp of the 4-byte file and faster than a
# CopyOpacity composite and -alpha extract; peak memory under 16 MiB.
other=$work/negative.bmp
four=$work/four.bmp
"$bin/invert" "$big" "$other" >/dev/null
"$bin/fusion" "$big" "$other" "$four" >/dev/null

measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "copy (cp) of the 4-byte file" cp "$four" "$work/copy4.bmp"
measure "fusion" "$bin/fusion" "$big" "$other" "$work/fusion.bmp"
measure "unmatte" "$bin/unmatte" "$four" "$work/colour.bmp" "$work/alpha.bmp"
measure "matte_blend 0 0 50" "$bin/matte_blend" "$big" "$four" "$work/matte.bmp" 0 0 50
measure "key_blend 0 0 50" "$bin/key_blend" "$big" "$other" "$work/key.bmp" 0 0 50
if have_magick; then
  # A 32-bit BMP with the same colours and alpha as the 4-byte file.
  "$magick" "$big" "$other" -alpha off -compose CopyOpacity -composite "$work/im-rgba.bmp"
  measure "ImageMagick CopyOpacity composite" "$magick" "$big" "$other" -alpha off \
    -compose CopyOpacity -composite "$work/im-copyopacity.bmp"
  measure "ImageMagick -alpha extract" "$magick" "$work/im-rgba.bmp" -alpha extract \
    "$work/im-extract.bmp"
  measure "ImageMagick -composite (over)" "$magick" "$big" "$work/im-rgba.bmp" -geometry +0+0 \
    -compose over -composite "$work/im-over.bmp"
  measure "ImageMagick composite -dissolve 50" /usr/bin/composite -dissolve 50 "$other" "$big" \
    "$work/im-dissolve.bmp"
fi

ratio "fusion" "copy (cp) of the 4-byte file"
ratio "unmatte" "copy (cp) of the 4-byte file"
ratio "fusion" "ImageMagick CopyOpacity composite"
ratio "unmatte" "ImageMagick -alpha extract"
ratio "matte_blend 0 0 50" "copy (cp)"
ratio "key_blend 0 0 50" "copy (cp)"
ratio "matte_blend 0 0 50" "ImageMagick -composite (over)"
ratio "key_blend 0 0 50" "ImageMagick composite -dissolve 50"
