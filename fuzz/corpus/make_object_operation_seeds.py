#!/usr/bin/env python3
# Writes the seed undo records of fuzz_object_operations: kind byte, type id, the
# operation's data, then the whole record's length, all little-endian.
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "object_operations")
os.makedirs(here, exist_ok=True)


def record(type_id, data):
    body = struct.pack("<bi", 0, type_id) + data
    return body + struct.pack("<i", len(body) + 4)


def states(pairs):
    return struct.pack("<I", len(pairs)) + b"".join(struct.pack("<iB3x", p, s) for p, s in pairs)


def faces(meshes):
    data = struct.pack("<I", len(meshes)) + b"".join(struct.pack("<i", m) for m, _ in meshes)
    for _, records in meshes:
        data += struct.pack("<I", len(records)) + b"".join(struct.pack("<IB3x", f, w) for f, w in records)
    return data


def face_brush(targets):
    data = struct.pack("<I", len(targets))
    for mesh, integer, segments, records in targets:
        data += struct.pack("<ii", mesh, integer)
        data += struct.pack("<I", len(segments)) + b"".join(struct.pack("<iii", *s) for s in segments)
        data += struct.pack("<I", len(records)) + b"".join(struct.pack("<II", f, v) for f, v in records)
    return data


seeds = {
    "hide_object": record(9, states([(1, 0)])),
    "lock_object": record(16, states([(0, 1), (1, 1)])),
    "delete_object_redo": record(11, struct.pack("<IiI", 1, 1, 0)),
    "hide_faces": record(10, faces([(0, [(1, 0), (5, 0)]), (65536, [(0, 0)])])),
    "delete_faces": record(12, faces([(0, [(2, 0), (15, 0), (0, 0)])])),
    "select_faces": record(6, face_brush([(0, 0, [(0, -1, 5)], [(5, 1), (6, 1)]), (65536, 0, [], [(1, 1)])])),
    "select_object": record(5, face_brush([(65536, 0, [], [(0, 1), (1, 1), (2, 1), (3, 1)])])),
    "paint_freeze": record(8, face_brush([(0, 3, [(0, -1, 2)], [(2, 0xFFFF), (3, 0x80)])])),
    "delete_faces_partial": record(12, faces([(1, [(3, 0), (15, 0), (0, 0), (7, 0)])])),
    "delete_faces_identity_map": record(12, faces([(65537, [(1, 0), (3, 0)]), (0, [(4, 0)])])),
    "restore_faces_partial": record(12, faces([(1, [(15, 1), (14, 1)])])),
    "two_records": record(12, faces([(65536, [(3, 0)])])) + record(16, states([(1, 1)])),
}
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
