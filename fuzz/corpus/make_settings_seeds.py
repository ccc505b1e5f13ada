#!/usr/bin/env python3
"""Seeds for fuzz_settings: settings files of versions 88, 100, 221 and 228 written field
by field from the record's table (no tools, the material seed's record, no falloffs), and
a recent-files list."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "settings")


class Bytes:
    def __init__(self):
        self.b = bytearray()

    def i32(self, v):
        self.b += struct.pack("<i", v)
        return self

    def u8(self, v):
        self.b += struct.pack("<B", v)
        return self

    def f32(self, v):
        self.b += struct.pack("<f", v)
        return self

    def text(self, s):
        data = s.encode("utf-8")
        return self.i32(len(data)).raw(data)

    def raw(self, data):
        self.b += data
        return self

    def colour(self):
        return self.f32(0.5).f32(0.5).f32(0.5).f32(1.0)


def record(v):
    b = Bytes()
    if 221 <= v <= 222:
        b.u8(0)
    if v >= 223:
        b.i32(0)
    if v >= 224:
        b.f32(0.5)
    b.u8(1)
    if v >= 202:
        b.i32(2048)
    b.u8(0).u8(1).u8(1).u8(0).u8(1).u8(0).u8(0).i32(0).i32(1).i32(20).i32(100)
    b.i32(1).f32(1).f32(0).f32(0).f32(0).f32(0).f32(0)
    if v >= 215:
        b.u8(1)
    if 88 <= v <= 119:
        b.u8(0)
    b.u8(1)
    for _ in range(5):
        b.colour()
    b.f32(25).i32(1).text("/scenes").text("/exports").u8(0).u8(0).f32(1).f32(1).u8(1).u8(0)
    b.f32(0).f32(0).f32(0).f32(0).u8(0).u8(0)
    for _ in range(4):
        b.colour()
    b.u8(1).u8(0).colour().u8(1).i32(1).i32(1000000).u8(1).i32(1).u8(1).u8(1).u8(0).u8(0).u8(1).colour()
    b.u8(0).text("Icons/").text("/tmp/Stamps/").text("/tmp/Stencils/")
    if v >= 153:
        b.text("textures/")
    b.i32(3600000).colour().i32(40).i32(0).i32(1).f32(30).i32(2).u8(0).u8(1)
    b.text("/tmp/Logs").text("/tmp/Temp").text("/tmp/settings").u8(0)
    if 89 <= v <= 150:
        b.u8(0)
    if 91 <= v <= 150:
        b.i32(0)
    if v >= 92:
        b.i32(1024).i32(1024).text("").u8(1).u8(1).u8(1).i32(1).f32(1).i32(4).i32(0).i32(0)
        b.i32(0) if v >= 115 else b.u8(0)
        b.u8(0).text("normal_dim%u_%i").text("displace_dim%u_%i").u8(1)
        if v >= 104:
            b.u8(0)
        if v >= 105:
            b.text("").text("")
        if v >= 119:
            b.f32(0.1)
    if v >= 93:
        b.i32(1).i32(1)
    if v >= 95:
        b.u8(0)
    if 95 <= v <= 116:
        b.u8(0)
    if v >= 116:
        b.u8(1).u8(1)
    if v >= 117:
        b.i32(2)
    if 96 <= v <= 100:
        b.u8(0)
    if v >= 97:
        b.u8(0)
    if v >= 99:
        b.u8(1)
    if v >= 100:
        b.i32(0)
    if v >= 103:
        b.text("").f32(0).i32(1).i32(0).i32(4).i32(0).i32(4).i32(0).text("").text("").text("")
    if v >= 107:
        b.u8(0)
    if v >= 109:
        b.text("Icons/")
    if v >= 112:
        b.u8(1).u8(1).u8(0).u8(1)
    if 121 <= v <= 151:
        b.u8(0)
    if v >= 121:
        b.text("/tmp/Shaders/")
    if v >= 134:
        for _ in range(3):
            b.colour()
    if v >= 136:
        b.i32(20)
    if v >= 213:
        b.u8(0)
    if v >= 216:
        b.f32(1)
    if v >= 217:
        b.u8(1).u8(0)
    if v >= 225:
        b.u8(0)
    return b.b


def view(v):
    b = Bytes()
    for flag in (1, 1, 0, 0, 1, 1, 1, 1, 0):
        b.u8(flag)
    if v >= 23:
        b.u8(0)
    if v >= 59:
        b.u8(0)
    if v >= 80:
        b.u8(1)
    if v >= 122:
        b.u8(0).i32(-1)
    if v >= 154:
        b.u8(1)
    return b.b


def main():
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(HERE, "material", "version_228"), "rb") as f:
        material = f.read()[4:]
    v = 228
    b = Bytes().i32(v).raw(record(v)).i32(0).i32(1).raw(material)
    b.u8(0).i32(10).i32(20).i32(800).i32(600).raw(view(v)).i32(0)
    with open(os.path.join(OUT, "version_228"), "wb") as f:
        f.write(b.b)
    for old in (88, 100, 221):
        with open(os.path.join(OUT, "record_%d" % old), "wb") as f:
            f.write(Bytes().i32(old).raw(record(old)).b)
    with open(os.path.join(OUT, "recent"), "wb") as f:
        f.write(Bytes().i32(228).i32(2).text("/a.tev").text("/b.tev").b)


if __name__ == "__main__":
    main()
