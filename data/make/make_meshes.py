#!/usr/bin/env python3
"""Writes the shipped base meshes into ../Meshes as OBJ files (a cube, a sphere, a plane, an
open cylinder and a torus): quads with texture coordinates, about two units across, centred on the origin, with few faces (they are
meant to be subdivided). Edit a shape below and run the script again."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
MESHES = os.path.join(HERE, "..", "Meshes")


def grid(name, columns, rows, point, wrap_u=False, wrap_v=False):
    """A (columns x rows) quad grid; point(u, v) gives a position for u, v in [0, 1].
    A wrapped direction shares its seam positions but keeps its own texture coordinates."""
    pu = columns if wrap_u else columns + 1
    pv = rows if wrap_v else rows + 1
    lines = [f"# {name}: {columns * rows} quads"]
    for j in range(pv):
        for i in range(pu):
            x, y, z = point(i / columns, j / rows)
            lines.append(f"v {x:.5f} {y:.5f} {z:.5f}")
    for j in range(rows + 1):
        for i in range(columns + 1):
            lines.append(f"vt {i / columns:.5f} {j / rows:.5f}")
    for j in range(rows):
        for i in range(columns):
            corners = [(i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1)]
            face = []
            for (ci, cj) in corners:
                p = (cj % pv) * pu + (ci % pu) + 1
                t = cj * (columns + 1) + ci + 1
                face.append(f"{p}/{t}")
            lines.append("f " + " ".join(face))
    write(name, lines)


def write(name, lines):
    with open(os.path.join(MESHES, name + ".obj"), "w") as out:
        out.write("\n".join(lines) + "\n")


def cube():
    """Eight corners, six quads, each face with its own square of the texture (a 3 x 2 layout)."""
    v = [(-1, -1, -1), (1, -1, -1), (1, 1, -1), (-1, 1, -1), (-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, 1)]
    faces = [(4, 5, 6, 7), (1, 0, 3, 2), (5, 1, 2, 6), (0, 4, 7, 3), (7, 6, 2, 3), (0, 1, 5, 4)]
    lines = ["# Cube: 6 quads"] + [f"v {x} {y} {z}" for (x, y, z) in v]
    for k in range(6):
        u0, v0 = (k % 3) / 3, (k // 3) / 2
        for (du, dv) in ((0, 0), (1, 0), (1, 1), (0, 1)):
            lines.append(f"vt {u0 + du / 3:.6f} {v0 + dv / 2:.6f}")
    for k, face in enumerate(faces):
        lines.append("f " + " ".join(f"{p + 1}/{4 * k + c + 1}" for c, p in enumerate(face)))
    write("Cube", lines)


def sphere():
    """A cube of 4 x 4 quads per side pushed onto the sphere: quads all over, no poles.
    Each side keeps its own square of the texture (the cube's layout)."""
    n = 4
    sides = [((0, 0, 1), (1, 0, 0), (0, 1, 0)), ((0, 0, -1), (-1, 0, 0), (0, 1, 0)),
             ((1, 0, 0), (0, 0, -1), (0, 1, 0)), ((-1, 0, 0), (0, 0, 1), (0, 1, 0)),
             ((0, 1, 0), (1, 0, 0), (0, 0, -1)), ((0, -1, 0), (1, 0, 0), (0, 0, 1))]
    positions, index, texture, faces = [], {}, [], []
    for k, (normal, right, up) in enumerate(sides):
        ids = {}
        for j in range(n + 1):
            for i in range(n + 1):
                a, b = 2 * i / n - 1, 2 * j / n - 1
                c = [normal[d] + a * right[d] + b * up[d] for d in range(3)]
                length = math.sqrt(sum(x * x for x in c))
                p = tuple(round(x / length, 5) + 0.0 for x in c)
                if p not in index:
                    index[p] = len(positions) + 1
                    positions.append(p)
                texture.append(((k % 3 + i / n) / 3, (k // 3 + j / n) / 2))
                ids[(i, j)] = (index[p], len(texture))
        for j in range(n):
            for i in range(n):
                faces.append([ids[c] for c in ((i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1))])
    lines = [f"# Sphere: {len(faces)} quads"] + [f"v {x:.5f} {y:.5f} {z:.5f}" for (x, y, z) in positions]
    lines += [f"vt {u:.5f} {v:.5f}" for (u, v) in texture]
    lines += ["f " + " ".join(f"{p}/{t}" for (p, t) in face) for face in faces]
    write("Sphere", lines)


cube()
sphere()
grid("Plane", 8, 8, lambda u, v: (2 * u - 1, 0.0, 1 - 2 * v))
grid("Cylinder", 16, 4, lambda u, v: (math.cos(u * 2 * math.pi), 2 * v - 1, -math.sin(u * 2 * math.pi)),
     wrap_u=True)
grid("Torus", 16, 8, lambda u, v: ((0.7 + 0.3 * math.cos(v * 2 * math.pi)) * math.cos(u * 2 * math.pi),
                                    0.3 * math.sin(v * 2 * math.pi),
                                    -(0.7 + 0.3 * math.cos(v * 2 * math.pi)) * math.sin(u * 2 * math.pi)),
     wrap_u=True, wrap_v=True)
