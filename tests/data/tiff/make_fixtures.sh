#!/usr/bin/env bash
# Regenerates the TIFF fixtures of the image reader tests with real tools:
# ImageMagick (integer images), libtiff's tiffcp (compressions), python3-tifffile
# (floats, signed and 32-bit integers, planar layout). A few files that no tool
# writes (24-bit floats, broken headers) are assembled byte by byte.
# The outputs are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
py=${PYTHON:-/usr/bin/python3}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Raw pixel bytes -> ImageMagick. The image names carry no software tag or date,
# so a rerun gives the same bytes.
im() { convert "${@:1:$#-1}" -strip "${@: -1}"; }
printf '\x00\x40\x80\xff\x0a\xc8\x1e\x5a' >"$tmp/grey8.raw"
im -size 4x2 -depth 8 gray:"$tmp/grey8.raw" -compress None grey8.tif
printf '\xff\x00\x00\x00\xff\x00\x00\x00\xff\x80\x40\x20\x10\x20\x30\xfa\xfb\xfc' >"$tmp/rgb8.raw"
im -size 3x2 -depth 8 rgb:"$tmp/rgb8.raw" -compress None rgb8.tif
printf '\xc8\x64\x32\xff\x10\x20\x30\x80\x00\x00\x00\x00\xff\xff\xff\xff' >"$tmp/rgba8.raw"
im -size 2x2 -depth 8 rgba:"$tmp/rgba8.raw" -compress None rgba8.tif
# 16-bit raw samples are big-endian for ImageMagick with -endian MSB.
printf '\x00\x00\x03\xe8\x80\x00\xff\xff' >"$tmp/grey16.raw"
im -size 4x1 -depth 16 -endian MSB gray:"$tmp/grey16.raw" -compress None grey16.tif
printf '\xff\xff\x80\x00\x00\x00\xff\xff\x00\x01\x00\x02\x00\x03\x40\x00' >"$tmp/rgba16.raw"
im -size 2x1 -depth 16 -endian MSB rgba:"$tmp/rgba16.raw" -compress None rgba16.tif
im -size 4x2 -depth 8 gray:"$tmp/grey8.raw" -depth 12 -compress None grey12.tif
# 1 bit: 10 x 3 so that rows end inside a byte. Row y, column x is set when (x + y) % 3 == 0.
$py - "$tmp/mono.pbm" <<'EOF'
import sys
w, h = 10, 3
rows = ["".join("1" if (x + y) % 3 == 0 else "0" for x in range(w)) for y in range(h)]
open(sys.argv[1], "w").write("P1\n%d %d\n%s\n" % (w, h, "\n".join(rows)))
EOF
im "$tmp/mono.pbm" -compress None mono_black.tif
im "$tmp/mono.pbm" -define quantum:polarity=min-is-white -compress Group4 mono_white.tif

# Compressions of libtiff's own codecs.
tiffcp -c lzw:2 rgb8.tif rgb8_lzw.tif
tiffcp -c zip rgb8.tif rgb8_deflate.tif
tiffcp -c packbits rgb8.tif rgb8_packbits.tif

$py - <<'EOF'
import struct
import numpy as np
import tifffile

def write(name, data, **kw):
    tifffile.imwrite(name, data, metadata=None, software=False, **kw)

halves = np.array([[0x3C00, 0xC000, 0x0001, 0x7C00, 0x3800, 0x8000, 0x7BFF, 0x0400]], np.uint16)
write("half.tif", halves.view(np.float16))
rgb = np.array([[[0.5, 2.0, -1.0], [0.25, 0.0, 1e-3], [1.0, 1.0, 1.0]],
                [[-0.5, 4.0, 0.125], [3.5, 0.75, 0.0625], [100.0, -100.0, 1e-6]]], np.float32)
write("float32_rgb.tif", rgb, photometric="rgb")
write("float32_planar.tif", np.moveaxis(rgb, 2, 0).copy(), photometric="rgb", planarconfig="separate")
write("float32_be.tif", rgb[:, :, 0], byteorder=">")
write("int16.tif", np.array([[-32768, -32767, 0, 32767]], np.int16))
write("int32.tif", np.array([[-2147483648, -1, 0, 2147483647]], np.int32))
write("uint32.tif", np.array([[0, 1, 2147483648, 4294967295]], np.uint32))

# Handmade little-endian TIFFs with one strip; tags are (tag, type, value).
SHORT, LONG = 3, 4
def handmade(name, tags, strip):
    entries = sorted(tags + [(273, LONG, 0), (279, LONG, len(strip))])
    offset = 8 + 2 + 12 * len(entries) + 4
    out = bytearray(b"II*\0" + struct.pack("<IH", 8, len(entries)))
    for tag, kind, value in entries:
        value = offset if tag == 273 else value
        packed = struct.pack("<HH", value, 0) if kind == SHORT else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, 1) + packed
    open(name, "wb").write(bytes(out + b"\0\0\0\0" + strip))

def header(w, h, bits, spp, fmt=1, photometric=2, planar=1):
    return [(256, LONG, w), (257, LONG, h), (258, SHORT, bits), (259, SHORT, 1), (262, SHORT, photometric),
            (277, SHORT, spp), (278, LONG, h), (284, SHORT, planar), (339, SHORT, fmt)]

# 24-bit floats, RGB contiguous, 2 x 1: 1.0, 1.5, -1.0 | 0.5, 0, 2^-62 (the smallest normal).
f24 = bytes([0x00, 0x00, 0x3F, 0x00, 0x80, 0x3F, 0x00, 0x00, 0xBF,
             0x00, 0x00, 0x3E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01])
handmade("float24_rgb.tif", header(2, 1, 24, 3, fmt=3), f24)
handmade("nowidth.tif", [t for t in header(4, 2, 8, 1, photometric=1) if t[0] != 256], bytes(8))
handmade("planar3.tif", header(2, 2, 16, 3, planar=3), bytes(24))
# Sizes whose byte counts pass 32 bits, with almost no data behind them.
handmade("huge8.tif", header(65536, 65536, 8, 3), bytes(64))
handmade("huge_float.tif", header(65535, 65535, 32, 4, fmt=3), bytes(64))
# Within 32 bits but 1.6 billion pixels: a picture bomb of a few hundred bytes.
handmade("bomb8.tif", header(40000, 40000, 8, 1, photometric=1), bytes(64))
EOF

tiffcp -c lzw:3 float32_rgb.tif float32_lzw.tif
