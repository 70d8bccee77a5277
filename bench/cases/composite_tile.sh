# Stacking, joining and seamless tiles on the 4000 x 3000 picture: the four
# stacking and joining tools on two images (the fill tools with a centred
# 3000 x 2000 one), stack_plain of 15 copies, seam_tile with a band of 200
# (along the rows, up the columns, and both edges sunk) and seam_loop 200 200,
# beside cat writing the same bytes, cp, and ImageMagick's -append, +append
# and -roll. Targets: the stacking tools within 1.5 x cat and faster than
# -append/+append; seam_tile within 2 x cp, seam_loop within 3 x.
python3 - "$work/mid.bmp" <<'PY'
import struct, sys
w, h = 3000, 2000
pad = w % 4
out = bytearray(b"BM" + struct.pack("<IHHIIiiHHIIIIII", 54 + h * (3 * w + pad), 0, 0, 54, 40, w, h, 1, 24, 0, 0, 0, 0, 0, 0))
base = bytes(((x * 5) & 255) if i == 0 else 200 if i == 1 else (x * 255 // w) for x in range(w) for i in range(3))
for y in range(h):
    out += bytes((b + y) & 255 for b in base) + b"\0" * pad
open(sys.argv[1], "wb").write(out)
PY
mid=$work/mid.bmp
fifteen=()
for ((i = 0; i < 15; i++)); do fifteen+=("$big"); done

measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "cat 2 pictures" sh -c 'cat "$1" "$1" >"$2"' - "$big" "$work/cat2.bmp"
measure "cat picture + 3000x2000" sh -c 'cat "$1" "$2" >"$3"' - "$big" "$mid" "$work/cat-mid.bmp"
measure "cat 15 pictures" sh -c 'f=$1; shift; cat "$@" >"$f"' - "$work/cat15.bmp" "${fifteen[@]}"
measure "stack_plain 2" "$bin/stack_plain" "$big" "$big" "$work/stack.bmp"
measure "join_plain 2" "$bin/join_plain" "$big" "$big" "$work/join.bmp"
measure "stack_fill 2 centred" "$bin/stack_fill" "$big" "$mid" "$work/stackf.bmp" 255 255 255 1
measure "join_fill 2 centred" "$bin/join_fill" "$big" "$mid" "$work/joinf.bmp" 255 255 255 1
measure "stack_plain 15" "$bin/stack_plain" "${fifteen[@]}" "$work/stack15.bmp"
measure "seam_tile 200 across" "$bin/seam_tile" "$big" "$work/seam0.bmp" 200 0
measure "seam_tile 200 up" "$bin/seam_tile" "$big" "$work/seam1.bmp" 200 1
measure "seam_tile 200 sink both 50%" "$bin/seam_tile" "$big" "$work/sink.bmp" 200 0 0 0 0 0 50
measure "seam_loop 200 200" "$bin/seam_loop" "$big" "$work/loop.bmp" 200 200
if have_magick; then
  measure "ImageMagick -append" "$magick" "$big" "$big" -append "$work/im-append.bmp"
  measure "ImageMagick +append" "$magick" "$big" "$big" +append "$work/im-plus-append.bmp"
  measure "ImageMagick -roll +100+0" "$magick" "$big" -roll +100+0 "$work/im-roll.bmp"
fi
ratio "stack_plain 2" "cat 2 pictures"
ratio "join_plain 2" "cat 2 pictures"
ratio "stack_fill 2 centred" "cat picture + 3000x2000"
ratio "join_fill 2 centred" "cat picture + 3000x2000"
ratio "stack_plain 15" "cat 15 pictures"
ratio "stack_plain 2" "ImageMagick -append"
ratio "join_plain 2" "ImageMagick +append"
ratio "seam_tile 200 across" "copy (cp)"
ratio "seam_tile 200 up" "copy (cp)"
ratio "seam_tile 200 sink both 50%" "copy (cp)"
ratio "seam_loop 200 200" "copy (cp)"
ratio "seam_tile 200 across" "ImageMagick -roll +100+0"
