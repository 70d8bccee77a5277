# The pixel filters on the 4000 x 3000 picture beside the copy and
# ImageMagick's nearest operations. maskhide takes the picture as both carrier
# and mask (its blue bytes are below 128 in about half the pixels) and
# reveals the result against it.
# Targets: stretch, duotone, spectra, banding, scramble within about 1.5 x the
# copy, maskhide within 2 x, grain within 2.5 x; each under 0.25 x its
# ImageMagick anchor.
measure "copy (cp)" cp "$big" "$work/copy.bmp"
measure "stretch 2" "$bin/stretch" "$big" "$work/stretch.bmp" 2
have_magick && measure "ImageMagick -level 25%,75%" "$magick" "$big" -level 25%,75% \
  "$work/im-level.bmp"
measure "duotone (mono)" "$bin/duotone" "$big" "$work/duotone.bmp"
measure "duotone (two colours)" "$bin/duotone" "$big" "$work/duotone2.bmp" 40 20 90 255 230 160
measure "spectra 255 0 0" "$bin/spectra" "$big" "$work/spectra.bmp" 255 0 0
have_magick && measure "ImageMagick -colorspace Gray" "$magick" "$big" -colorspace Gray \
  -type TrueColor "$work/im-gray.bmp"
measure "banding 1 0" "$bin/banding" "$big" "$work/banding.bmp" 1 0
have_magick && measure "ImageMagick -function Sinusoid 1,0" "$magick" "$big" -function \
  Sinusoid 1,0 "$work/im-sine.bmp"
measure "grain 100 0 1" "$bin/grain" "$big" "$work/grain.bmp" 100 0 1
have_magick && measure "ImageMagick +noise Gaussian" "$magick" "$big" +noise Gaussian \
  "$work/im-noise.bmp"
measure "scramble encode" "$bin/scramble" "$big" "$work/scramble.bmp" 0 1234
have_magick && measure "ImageMagick -evaluate AddModulus 100" "$magick" "$big" -evaluate \
  AddModulus 100 "$work/im-addmod.bmp"
measure "maskhide encode" "$bin/maskhide" "$big" "$big" "$work/hidden.bmp" 2
measure "maskhide reveal" "$bin/maskhide" "$work/hidden.bmp" "$big" "$work/revealed.bmp" 0
have_magick && measure "ImageMagick -compose Difference" "$magick" "$work/hidden.bmp" "$big" \
  -compose Difference -composite "$work/im-difference.bmp"
for tool in "stretch 2" "duotone (mono)" "duotone (two colours)" "spectra 255 0 0" "banding 1 0" \
  "grain 100 0 1" "scramble encode" "maskhide encode" "maskhide reveal"; do
  ratio "$tool" "copy (cp)"
done
ratio "stretch 2" "ImageMagick -level 25%,75%"
ratio "duotone (mono)" "ImageMagick -colorspace Gray"
ratio "duotone (two colours)" "ImageMagick -colorspace Gray"
ratio "spectra 255 0 0" "ImageMagick -colorspace Gray"
ratio "banding 1 0" "ImageMagick -function Sinusoid 1,0"
ratio "grain 100 0 1" "ImageMagick +noise Gaussian"
ratio "scramble encode" "ImageMagick -evaluate AddModulus 100"
ratio "maskhide encode" "ImageMagick -compose Difference"
ratio "maskhide reveal" "ImageMagick -compose Difference"
