#!/usr/bin/env python3
"""Writes the example pair for the batch bake: low.obj, a flat 4 x 4 sheet over the unit
square with texture coordinates, and high.obj, a 32 x 32 sheet whose height is a wave."""
import math


def sheet(path, n, height, uvs):
    with open(path, "w") as out:
        for j in range(n + 1):
            for i in range(n + 1):
                x, y = i / n, j / n
                out.write(f"v {x:.6g} {y:.6g} {height(x, y):.6g}\n")
                if uvs:
                    out.write(f"vt {x:.6g} {y:.6g}\n")
        for j in range(n):
            for i in range(n):
                a = j * (n + 1) + i + 1
                corners = (a, a + 1, a + n + 2, a + n + 1)
                out.write("f" + "".join(f" {k}/{k}" if uvs else f" {k}" for k in corners) + "\n")


sheet("low.obj", 4, lambda x, y: 0.0, True)
sheet("high.obj", 32, lambda x, y: 0.04 * math.sin(2 * math.pi * x) * math.sin(2 * math.pi * y), False)
