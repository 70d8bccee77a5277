#!/usr/bin/env bash
# demo/demo.sh BIN_DIR OUT_DIR: one run of each tool on a generated picture.
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"

# The starting pictures, 96 x 64, written here byte by byte: a 24-bit BMP and
# the suite's 4-byte file (alpha, red, green, blue per pixel; alpha rising
# from left to right).
make_picture() {
  local file=$1 bytes_per_pixel=$2 w=96 h=64 i x y row
  local hex=()
  for ((i = 0; i < 256; i++)); do printf -v "hex[$i]" '\\x%02x' "$i"; done
  le32() { row+="${hex[$1 & 255]}${hex[($1 >> 8) & 255]}${hex[($1 >> 16) & 255]}${hex[($1 >> 24) & 255]}"; }
  local header=54 bits='\x18'
  [ "$bytes_per_pixel" -eq 4 ] && header=122 bits='\x20'
  row='BM'
  le32 $((header + w * h * bytes_per_pixel)); le32 0; le32 $header; le32 40; le32 $w; le32 $h
  row+="\\x01\\x00${bits}\\x00"
  for ((i = 30; i < header; i += 4)); do le32 0; done
  printf "$row" >"$file"
  for ((y = 0; y < h; y++)); do
    row=""
    for ((x = 0; x < w; x++)); do
      local blue=${hex[x * 255 / w]} green=${hex[(x ^ y) * 4 & 255]} red=${hex[y * 255 / h]}
      if [ "$bytes_per_pixel" -eq 4 ]; then
        row+="${hex[x * 255 / (w - 1)]}$red$green$blue"
      else
        row+="$blue$green$red"
      fi
    done
    printf "$row" >>"$file"
  done
}

run() {
  local name=$1
  shift
  echo "== $name $*"
  "$bin/$name" "$@"
  echo
}

make_picture "$out/picture.bmp" 3
make_picture "$out/picture4.bmp" 4
echo "pictures: $out/picture.bmp (24-bit) and $out/picture4.bmp (4-byte, with alpha)"
p=$out/picture.bmp

# Pixel filters
run invert "$p" "$out/invert.bmp"
run recolor "$p" "$out/recolor.bmp" 1.2 0.8 1
run recolor "$p" "$out/recolor-hls.bmp" 120 0 0.3 3
run recolor_mask "$p" "$p" "$out/recolor_mask.bmp" 0.5 0
run stretch "$p" "$out/stretch.bmp" 1.8
run stretch "$p" "$out/stretch-rgb.bmp" 2 1 0.5
run duotone "$p" "$out/duotone-mono.bmp"
run duotone "$p" "$out/duotone-two.bmp" 40 20 90 255 230 160
run spectra "$p" "$out/spectra.bmp" 255 0 0
run banding "$out/duotone-mono.bmp" "$out/banding.bmp" 4 1
run grain "$p" "$out/grain.bmp" 40 0 3
run scramble "$p" "$out/scrambled.bmp" 0 1234
run scramble "$out/scrambled.bmp" "$out/unscrambled.bmp" 1 1234
run maskhide "$p" "$out/duotone-mono.bmp" "$out/maskhide.bmp" 2
run maskhide "$out/maskhide.bmp" "$p" "$out/maskhide-revealed.bmp" 0
# Geometry
run twirl "$p" "$out/twirl.bmp" 30 0 1
run twirl "$p" "$out/twirl-red.bmp" -45 2 255 0 0 0
run twirl32 "$out/picture4.bmp" "$out/twirl32.bmp" 30 0 1
run quadflip "$p" "$out/quadflip.bmp" 1
run resample "$p" "$out/resample.bmp" 150 -1
run snip "$p" "$out/snip.bmp" 40 30 20 10
run joggle "$out/invert.bmp" "$p" "$out/joggle.bmp" 6 6 20 0
run annulus "$p" "$out/annulus.bmp" 160 160 78 30 0 1
# Defocus
run mist_even "$p" "$out/mist_even.bmp" 2.5
run mist_vert "$p" "$out/mist_vert.bmp" 6 0
run mist_horz "$p" "$out/mist_horz.bmp" 0 6 1 20 80 1
run mist_turn "$p" "$out/mist_turn.bmp" 45 6 0
run mist_slope "$p" "$out/mist_slope.bmp" 135 4 0
run ramp "$out/filter.bmp" 96 64 255 255 255 0 0 0 90 6
run mist_mask "$out/filter.bmp" "$p" "$out/mist_mask.bmp" 4 0
# Drawing
run ramp "$out/ramp.bmp" 160 100 255 220 0 0 40 160 30 1
run ramp_over "$p" "$out/ramp_over.bmp" 48 32 24 16 255 255 255 0 0 0 90 6 40
run blank "$out/blank.bmp" 64 48 255 128 0
run patch "$p" "$out/patch.bmp" 40 24 10 8 0 64 255 30
run stroke "$p" "$out/stroke.bmp" 4 60 90 6 255 255 0
run disc "$p" "$out/disc.bmp" 48 32 30 20 255 255 255 8 6 20
run disc "$p" "$out/disc-ring.bmp" 48 32 30 20 255 255 255 8 6 0 1
run vignette "$p" "$out/vignette.bmp" 16 12 0 0 0
run border "$p" "$out/border.bmp" 8 6 255 255 255 0
run scatter "$out/scatter.bmp" 96 64 7
run scatter "$out/scatter-runs.bmp" 96 64 7 12 200
run quilt "$out/quilt.bmp" 96 64 255 255 255 40 40 160 12 8
run ripple_over "$p" "$out/ripple_over.bmp" 48 32 40 4 0 1
run ripple_over "$p" "$out/ripple_over-noise.bmp" 48 32 40 4 90 1 0.6 1
run ripple_plain "$out/ripple_plain.bmp" 96 64 48 32 40 4 0 1
run ripple_plain "$out/ripple_plain-noise.bmp" 96 64 48 32 40 4 0 1 1.0 1
# Compositing
run fusion "$p" "$out/filter.bmp" "$out/fusion.bmp"
run unmatte "$out/fusion.bmp" "$out/unmatte-colour.bmp" "$out/unmatte-alpha.bmp"
run matte_blend "$out/ramp.bmp" "$out/fusion.bmp" "$out/matte_blend.bmp" 40 20 30
run key_blend "$out/ramp.bmp" "$p" "$out/key_blend.bmp" 40 20 0 0 0 20
# Tiling, stacking and joining
run seam_tile "$p" "$out/seam_tile.bmp" 16 0
run seam_tile "$p" "$out/seam_tile-sink.bmp" 24 1 0 0 0 0 30
run seam_loop "$p" "$out/seam_loop.bmp" 16 12
run stack_plain "$p" "$out/invert.bmp" "$out/stack_plain.bmp"
run stack_fill "$p" "$out/seam_tile.bmp" "$out/stack_fill.bmp" 255 255 255 1
run join_plain "$p" "$out/invert.bmp" "$out/join_plain.bmp"
run join_fill "$p" "$out/seam_loop.bmp" "$out/join_fill.bmp" 0 0 80 2
echo
echo "The results are in $out:"
ls -1 "$out"
