#!/usr/bin/env bash
# demo/demo.sh BIN_DIR OUT_DIR: one run of each tool on a generated picture.
set -euo pipefail
bin=$1
out=$2
mkdir -p "$out"

# The starting picture, 96 x 64: written here byte by byte as a 24-bit BMP.
make_picture() {
  local w=96 h=64 file=$1 i x y row
  local hex=()
  for ((i = 0; i < 256; i++)); do printf -v "hex[$i]" '\\x%02x' "$i"; done
  le32() { row+="${hex[$1 & 255]}${hex[($1 >> 8) & 255]}${hex[($1 >> 16) & 255]}${hex[($1 >> 24) & 255]}"; }
  row='BM'
  le32 $((54 + w * h * 3)); le32 0; le32 54; le32 40; le32 $w; le32 $h
  row+='\x01\x00\x18\x00'
  for i in 1 2 3 4 5 6; do le32 0; done
  printf "$row" >"$file"
  for ((y = 0; y < h; y++)); do
    row=""
    for ((x = 0; x < w; x++)); do
      row+="${hex[x * 255 / w]}${hex[(x ^ y) * 4 & 255]}${hex[y * 255 / h]}"
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

make_picture "$out/picture.bmp"
echo "picture: $out/picture.bmp"
run invert "$out/picture.bmp" "$out/invert.bmp"

echo
echo "The results are in $out:"
ls -1 "$out"
