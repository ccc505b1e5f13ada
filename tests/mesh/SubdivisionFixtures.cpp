#include "SubdivisionFixtures.h"

#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/object/Object.h"

#include <cmath>
#include <random>

namespace SubdivisionFixtures {

namespace {

template <class Face>
Face BlankFace()
{
    Face face{};
    face.m_iOctree = OctreeLink::kNone;
    for (unsigned c = 0; c < Face::kCorners; ++c) {
        face.m_iIndices[c] = 0;
        face.m_iAdjacent[c] = -1;
        face.m_iTCI[c] = int32_t(MeshFlags::kNoTC);
    }
    LevelBits::SetVisible(face, true);
    LevelBits::SetActive(face, true);
    LevelBits::SetMapped(face, true);
    return face;
}

}  // namespace

template <class M>
void FillBase(M &level, const std::vector<Vector> &positions, const std::vector<Polygon> &faces)
{
    level.m_iVertexCount = unsigned(positions.size());
    level.m_pVertices.SetItemCount(level.m_iVertexCount, false);
    for (unsigned v = 0; v < positions.size(); ++v) {
        level.m_pVertices[v] = Vertex{};
        level.m_pVertices[v].m_vPosition = positions[v];
    }
    bool quads = true, polygons = false;
    for (const Polygon &f : faces) {
        quads = quads && f.size() == 4;
        polygons = polygons || f.size() > 4;
    }
    level.m_iPolygonCount = unsigned(faces.size());
    if (quads) {
        level.m_eType = Mesh::typeQuadric;
        for (const Polygon &f : faces) {
            Quad q = BlankFace<Quad>();
            for (unsigned c = 0; c < 4; ++c)
                LevelBits::SetCornerVertex(q, c, f[c]);
            level.m_pQuads.Add(q);
        }
    } else {
        // Triangles; a larger face becomes a fan whose later triangles carry the fan bit.
        level.m_eType = Mesh::typeTriangular;
        for (const Polygon &f : faces)
            for (unsigned i = 0; i + 2 < f.size(); ++i) {
                Triangle t = BlankFace<Triangle>();
                LevelBits::SetCornerVertex(t, 0, f[0]);
                LevelBits::SetCornerVertex(t, 1, f[i + 1]);
                LevelBits::SetCornerVertex(t, 2, f[i + 2]);
                if (i > 0)
                    t.m_iIndices[2] |= MeshFlags::kBit31;
                level.m_pTriangles.Add(t);
            }
    }
    level.m_iFaceCount = quads ? level.m_pQuads.GetItemCount() : level.m_pTriangles.GetItemCount();
    level.CalculateAdjacency();
    level.CalculateNormals(false);
    if (polygons || (!quads && level.m_iPolygonCount != level.m_iFaceCount))
        level.ConvertToGenericMesh();
}

std::unique_ptr<SubdivLevel> MakeBase(const std::vector<Vector> &positions, const std::vector<Polygon> &faces)
{
    auto level = std::make_unique<SubdivLevel>();
    FillBase(*level, positions, faces);
    return level;
}

std::unique_ptr<Object> MakeObject(const SubdivLevel &shape)
{
    auto object = std::make_unique<Object>();
    std::vector<Vector> positions;
    for (unsigned v = 0; v < shape.m_iVertexCount; ++v)
        positions.push_back(shape.m_pVertices[v].m_vPosition);
    std::vector<Polygon> faces;
    if (shape.m_aGenericFaces.HasItems()) {
        for (const GenericFace &g : shape.m_aGenericFaces)
            faces.emplace_back(g.m_aVertices.begin(), g.m_aVertices.end());
    } else {
        for (unsigned f = 0; f < shape.m_iFaceCount; ++f) {
            Polygon p;
            for (unsigned c = 0; c < shape.Corners(); ++c)
                p.push_back(shape.FaceVertexIndex(f, c));
            faces.push_back(p);
        }
    }
    FillBase(*object, positions, faces);
    object->m_iTotalFaceCount = object->m_iFaceCount;
    object->m_iTotalVertexCount = object->m_iVertexCount;
    object->RebuildVisibleFaces();
    object->BuildOctree();
    return object;
}

std::unique_ptr<SubdivLevel> MakeJitteredCube()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
    std::vector<Vector> p;
    for (unsigned i = 0; i < 8; ++i)
        p.emplace_back(float(i & 1) + jitter(random), float((i >> 1) & 1) + jitter(random),
                       float((i >> 2) & 1) + jitter(random));
    return MakeBase(p, {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}});
}

std::unique_ptr<SubdivLevel> MakeLGrid()
{
    // A 3 × 3 grid of quads without its top right one; vertex 15 (the top right corner) is
    // left out, so that every vertex is used.
    std::vector<Vector> p;
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 4; ++i)
            if (!(i == 3 && j == 3))
                p.emplace_back(float(i), float(j), 0.3f * std::sin(float(i * 3 + j)));
    std::vector<Polygon> quads;
    for (unsigned j = 0; j < 3; ++j)
        for (unsigned i = 0; i < 3; ++i)
            if (!(i == 2 && j == 2))
                quads.push_back({j * 4 + i, j * 4 + i + 1, (j + 1) * 4 + i + 1, (j + 1) * 4 + i});
    return MakeBase(p, quads);
}

std::unique_ptr<SubdivLevel> MakeOpenGrid()
{
    std::vector<Vector> p;
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 4; ++i)
            p.emplace_back(float(i), float(j), 0.3f * std::sin(float(i * 3 + j)));
    std::vector<Polygon> quads;
    for (unsigned j = 0; j < 3; ++j)
        for (unsigned i = 0; i < 3; ++i)
            quads.push_back({j * 4 + i, j * 4 + i + 1, (j + 1) * 4 + i + 1, (j + 1) * 4 + i});
    return MakeBase(p, quads);
}

std::unique_ptr<SubdivLevel> MakeTriangles()
{
    // An octahedron (0..5), and an open fan of three triangles on its vertex 0 (6, 7, 8, 9).
    std::vector<Vector> p = {{1, 0, 0},  {-1, 0, 0},    {0, 1, 0},    {0, -1, 0},  {0, 0, 1},
                             {0, 0, -1}, {2, 0.5f, 0}, {2.2f, 0, 0}, {2, -0.5f, 0}, {2, 0, 0.7f}};
    std::vector<Polygon> faces = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                  {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    (void)faces;
    // The fan hangs off a separate piece so that the octahedron stays closed.
    std::vector<Polygon> all = faces;
    all.push_back({6, 7, 9});
    all.push_back({7, 8, 9});
    all.push_back({8, 6, 9});
    return MakeBase(p, all);
}

std::unique_ptr<SubdivLevel> MakePrism()
{
    std::vector<Vector> p;
    for (unsigned z = 0; z < 2; ++z)
        for (unsigned i = 0; i < 5; ++i) {
            const float a = float(i) * 2.0f * 3.14159265f / 5.0f;
            p.emplace_back(std::cos(a) * (1.0f + 0.2f * float(z)), std::sin(a), float(z) * 1.5f + 0.1f * float(i));
        }
    std::vector<Polygon> faces = {{4, 3, 2, 1, 0}, {5, 6, 7, 8, 9}};
    for (unsigned i = 0; i < 5; ++i) {
        const unsigned j = (i + 1) % 5;
        faces.push_back({i, j, j + 5, i + 5});
    }
    return MakeBase(p, faces);
}

std::unique_ptr<SubdivLevel> MakeDisc(unsigned spokes)
{
    // Vertex 0 in the centre, rim vertices 1..spokes, and one outer vertex per spoke between them.
    std::vector<Vector> p = {{0, 0, 0.5f}};
    for (unsigned i = 0; i < spokes; ++i) {
        const float a = float(i) * 2.0f * 3.14159265f / float(spokes);
        p.emplace_back(std::cos(a), std::sin(a), 0.05f * float(i % 3));
    }
    for (unsigned i = 0; i < spokes; ++i) {
        const float a = (float(i) + 0.5f) * 2.0f * 3.14159265f / float(spokes);
        p.emplace_back(1.6f * std::cos(a), 1.6f * std::sin(a), 0.0f);
    }
    std::vector<Polygon> quads;
    for (unsigned i = 0; i < spokes; ++i)
        quads.push_back({0, 1 + i, 1 + spokes + i, 1 + (i + 1) % spokes});
    return MakeBase(p, quads);
}

bool Subdivide(SubdivLevel &lower, std::vector<unsigned> faces)
{
    SubdivLevel *next = lower.GetNextLevel(true);
    if (!next)
        return false;
    General::Store<unsigned int> list("test subdivide list");
    if (faces.empty())
        for (unsigned f = 0; f < lower.m_iFaceCount; ++f)
            faces.push_back(f);
    for (unsigned f : faces)
        list.Add(f);
    next->m_iNewVertexCount = next->m_iVertexCount;
    if (!next->Subdivide(list))
        return false;
    next->MakeRelative();
    if (!next->UpdateCC(false))
        return false;
    if (!next->AddNewVertices())
        return false;
    next->MakeAbsolute();
    return true;
}

SubdivLevel &AddLevel(SubdivLevel &base)
{
    SubdivLevel &top = *base.GetHighestLevel();
    Subdivide(top);
    return *top.GetNextLevel(false);
}

int LocalVertex(SubdivLevel &level, unsigned global)
{
    for (const General::IntPair &pair : level.m_aVertexMap)
        if (unsigned(pair.second) == global)
            return pair.first;
    return -1;
}

unsigned GlobalVertex(SubdivLevel &level, unsigned local)
{
    for (const General::IntPair &pair : level.m_aVertexMap)
        if (unsigned(pair.first) == local)
            return unsigned(pair.second);
    return 0xFFFFFFFFu;
}

unsigned OpenEdges(const SubdivLevel &level)
{
    unsigned open = 0;
    level.WithFaces([&](const auto &faces) {
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            for (int32_t entry : faces[f].m_iAdjacent)
                open += entry == -1;
    });
    return open;
}

}  // namespace SubdivisionFixtures
