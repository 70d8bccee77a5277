# The compositing and tiling family on the 4000 x 3000 picture and its
# negative (a second picture, also the mask), with a 4-byte overlay made by
# fusion and a 32-bit BMP of the same picture and alpha for ImageMagick.
# Targets: stacking and joining within 1.5 x cat of the same bytes and faster
# than convert -append / +append; matte_blend and key_blend within 3 x cp of
# the background and faster than -composite and composite -dissolve 50; fusion
# and unmatte within 2 x cp of the 4-byte file and faster than a CopyOpacity
# composite and -alpha extract; seam_tile within 2 x cp, seam_loop within 3 x;
# peak memory under 16 MiB throughout.
other=$work/negative.bmp
four=$work/four.bmp
"$bin/invert" "$big" "$other" >/dev/null
"$bin/fusion" "$big" "$other" "$four" >/dev/null
# A 3000 x 2000 picture for the fill tools to centre.
python3 - "$work/small.bmp" <<'PY'
import struct, sys
w, h = 3000, 2000
out = bytearray(b"BM" + struct.pack("<IHHIIiiHHIIIIII", 54 + h * 3 * w, 0, 0, 54, 40, w, h, 1, 24, 0, 0, 0, 0, 0, 0))
row = bytes((x * 5 + i * 80) & 255 for x in range(w) for i in range(3))
for y in range(h):
    out += row
open(sys.argv[1], "wb").write(out)
PY
small=$work/small.bmp

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

# The stacking, joining and tiling tools, as far as they are built.
if [ -x "$bin/stack_plain" ]; then
  measure "cat of two pictures" sh -c 'cat "$@" >"$0"' "$work/cat.bmp" "$big" "$other"
  measure "stack_plain of two" "$bin/stack_plain" "$big" "$other" "$work/stack.bmp"
  measure "join_plain of two" "$bin/join_plain" "$big" "$other" "$work/join.bmp"
  measure "stack_fill, a 3000 x 2000 centred" "$bin/stack_fill" "$big" "$small" "$work/stackf.bmp" \
    255 255 255 1
  measure "join_fill, a 3000 x 2000 centred" "$bin/join_fill" "$big" "$small" "$work/joinf.bmp" \
    255 255 255 1
  fifteen=()
  for ((i = 0; i < 15; i++)); do fifteen+=("$big"); done
  measure "cat of 15 copies" sh -c 'cat "$@" >"$0"' "$work/cat15.bmp" "${fifteen[@]}"
  measure "stack_plain of 15 copies" "$bin/stack_plain" "${fifteen[@]}" "$work/stack15.bmp"
  if have_magick; then
    measure "ImageMagick -append" "$magick" "$big" "$other" -append "$work/im-append.bmp"
    measure "ImageMagick +append" "$magick" "$big" "$other" +append "$work/im-plus-append.bmp"
  fi
fi
if [ -x "$bin/seam_tile" ]; then
  measure "seam_tile 200 Flag 0" "$bin/seam_tile" "$big" "$work/seam0.bmp" 200 0
  measure "seam_tile 200 Flag 1" "$bin/seam_tile" "$big" "$work/seam1.bmp" 200 1
  measure "seam_tile 200 sink, both bands" "$bin/seam_tile" "$big" "$work/sink.bmp" 200 0 0 0 0
fi
if [ -x "$bin/seam_loop" ]; then
  measure "seam_loop 200 200" "$bin/seam_loop" "$big" "$work/loop.bmp" 200 200
fi

ratio "fusion" "copy (cp) of the 4-byte file"
ratio "unmatte" "copy (cp) of the 4-byte file"
ratio "fusion" "ImageMagick CopyOpacity composite"
ratio "unmatte" "ImageMagick -alpha extract"
ratio "matte_blend 0 0 50" "copy (cp)"
ratio "key_blend 0 0 50" "copy (cp)"
ratio "matte_blend 0 0 50" "ImageMagick -composite (over)"
ratio "key_blend 0 0 50" "ImageMagick composite -dissolve 50"
ratio "stack_plain of two" "cat of two pictures"
ratio "join_plain of two" "cat of two pictures"
ratio "stack_fill, a 3000 x 2000 centred" "cat of two pictures"
ratio "join_fill, a 3000 x 2000 centred" "cat of two pictures"
ratio "stack_plain of 15 copies" "cat of 15 copies"
ratio "stack_plain of two" "ImageMagick -append"
ratio "join_plain of two" "ImageMagick +append"
ratio "seam_tile 200 Flag 0" "copy (cp)"
ratio "seam_tile 200 Flag 1" "copy (cp)"
ratio "seam_tile 200 sink, both bands" "copy (cp)"
ratio "seam_loop 200 200" "copy (cp)"
