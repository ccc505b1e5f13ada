#!/usr/bin/env bash
# Makes the OBJ fixtures that another program writes: small meshes are described in PLY
# and STL here and exported to OBJ by assimp's command line (Debian package assimp-utils).
# The tool is needed only to remake them; the OBJ files are committed.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A unit cube of six quads with a texture coordinate per vertex.
cat > "$work/cube.ply" <<'PLY'
ply
format ascii 1.0
element vertex 8
property float x
property float y
property float z
property float s
property float t
element face 6
property list uchar int vertex_indices
end_header
0 0 0 0 0
1 0 0 1 0
0 1 0 0 1
1 1 0 1 1
0 0 1 0.25 0.25
1 0 1 0.75 0.25
0 1 1 0.25 0.75
1 1 1 0.75 0.75
4 0 2 3 1
4 4 5 7 6
4 0 1 5 4
4 2 6 7 3
4 0 4 6 2
4 1 3 7 5
PLY

# A strip of a quad, a triangle and a pentagon: a mixed mesh becomes triangle fans.
cat > "$work/mixed.ply" <<'PLY'
ply
format ascii 1.0
element vertex 9
property float x
property float y
property float z
property float s
property float t
element face 3
property list uchar int vertex_indices
end_header
0 0 0 0 0
1 0 0 0.25 0
1 1 0 0.25 1
0 1 0 0 1
2 0 0 0.5 0
3 0 0 0.75 0
3.5 0.5 0 0.875 0.5
3 1 0 0.75 1
2 1 0 0.5 1
4 0 1 2 3
3 1 4 2
5 4 5 6 7 8
PLY

# Two named solids: written as one vertex list with two groups.
cat > "$work/two_solids.stl" <<'STL'
solid first
facet normal 0 0 1
outer loop
vertex 0 0 0
vertex 1 0 0
vertex 0 1 0
endloop
endfacet
facet normal 0 0 1
outer loop
vertex 1 0 0
vertex 1 1 0
vertex 0 1 0
endloop
endfacet
endsolid first
solid second
facet normal 0 0 1
outer loop
vertex 5 0 0
vertex 6 0 0
vertex 5 1 0
endloop
endfacet
endsolid second
STL

for input in cube.ply mixed.ply two_solids.stl; do
  output=${input%.*}.obj
  assimp export "$work/$input" "$work/$output" > /dev/null
  # The material library is not needed; the header names the tool version, which need not churn.
  grep -v '^mtllib\|^# (assimp' "$work/$output" > "assimp_$output"
done
