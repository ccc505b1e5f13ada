#!/usr/bin/env bash
# Makes the seeds of fuzz_map_settings (settings records of three versions, written field
# by field) and the ImageMagick-made seeds of fuzz_map_tiff. Run from fuzz/corpus.
set -euo pipefail
python3 - <<'PY'
import struct
def record(v):
    b = bytearray(struct.pack('<i', v))
    I = lambda x: b.extend(struct.pack('<i', x))
    F = lambda x: b.extend(struct.pack('<f', x))
    B = lambda x: b.append(1 if x else 0)
    def T(s):
        I(len(s)); b.extend(s.encode('latin-1'))
    T("Baker #7"); T(""); T(""); I(2); B(1)
    T(""); T("")
    I(3); T("/maps/"); B(0); T("n_%i"); B(0); B(1); T("d_%i_%g_%f"); B(1)
    for x in (4, 1001, 512, 256, 3, 0, 2, 4 if v < 220 else 1):
        I(x)
    if v < 127:
        b.extend(b'\x01\x02')
    else:
        B(0); B(1); B(0); B(1); I(4); I(0); B(1); I(2)
        if v > 225:
            B(1); B(0); B(1)
        else:
            I(5)
        I(0); B(0); I(1)
    F(2.5); I(1); B(1)
    if v > 155: B(1)
    if v >= 212: B(1)
    if v >= 220: I(0)
    if v > 221: B(0)
    if v > 222: B(0)
    return bytes(b)
for v in (228, 219, 126):
    open('map_settings/version_%d' % v, 'wb').write(record(v))
PY
convert -size 4x3 gradient:red-blue -depth 8 map_tiff/rgb8.tif
convert -size 4x3 gradient: -depth 16 map_tiff/grey16.tif
convert -size 3x2 gradient: -depth 32 -define quantum:format=floating-point map_tiff/float32.tif
cp tiff/grey8.tif tiff/rgba16.tif tiff/float32_planar.tif map_tiff/
