#!/usr/bin/env bash
# Regenerates the grey image loading fixtures with independent tools: ImageMagick and
# libtiff's tiffcp. The outputs are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
im() { convert "${@:1:$#-1}" -strip "${@: -1}"; }
# 3 x 1 RGB: red, green and blue channels differ in every pixel.
printf '\x10\x20\x30\x40\x80\xc0\xff\x00\x7f' >"$tmp/rgb8.raw"
im -size 3x1 -depth 8 rgb:"$tmp/rgb8.raw" rgb8.png
im -size 3x1 -depth 8 rgb:"$tmp/rgb8.raw" -compress None rgb8.tif
# The same pixels at 16 bits, three samples.
im -size 3x1 -depth 8 rgb:"$tmp/rgb8.raw" -depth 16 -compress None rgb16.tif
# 32 x 32 grey ramp at 16 bits: plain strips, big-endian, and 16 x 16 tiles.
im -size 32x32 gradient:black-white -colorspace Gray -depth 16 -compress None "$tmp/ramp16.tif"
tiffcp -c none "$tmp/ramp16.tif" ramp16.tif
tiffcp -B -c none "$tmp/ramp16.tif" ramp16_be.tif
tiffcp -t -w 16 -l 16 -c none "$tmp/ramp16.tif" ramp16_tiled.tif
# Wider than the size limit.
im -size 2000x600 xc:'rgb(0,200,0)' wide.png
# 40 x 24 float ramp: plain strips and 16 x 16 tiles that overhang the right and bottom edges.
im -size 40x24 gradient:black-white -colorspace Gray -depth 32 -define quantum:format=floating-point "$tmp/f.tif"
tiffcp -c none "$tmp/f.tif" float40x24.tif
tiffcp -t -w 16 -l 16 -c none "$tmp/f.tif" float40x24_tiled.tif
