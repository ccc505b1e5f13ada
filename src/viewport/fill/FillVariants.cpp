#include "viewport/fill/FillVariants.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "viewport/fill/FillBuffer.h"
#include "viewport/fill/FillLook.h"
#include "viewport/fill/FillSettings.h"

#include <algorithm>
#include <utility>

namespace {

using General::Color;
using General::Vector;

constexpr unsigned kSmooth = 1, kColors = 2, kHidden = 4, kTable = 8, kCulling = 16, kPartitions = 32;

Color Modulate(const Color &a, const Color &b) { return Color(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a); }

// What one fill reads, gathered and bounded once per chunk: every index the loops
// follow is checked against these counts, so a damaged mesh never leads a read
// outside its stores.
struct Chunk {
    const Vertex *m_pVertices = nullptr;
    unsigned m_iVertexCount = 0;
    const TC *m_pTCs = nullptr;
    unsigned m_iTCCount = 0;
    unsigned m_iFaceCount = 0;
    // Position j of the chunk is face m_pOrder[j] (a partition's face list or the face
    // index table); without an order it is face j.
    const unsigned *m_pOrder = nullptr;
    unsigned m_iOrderCount = 0;
    bool m_bTextured = false;

    // Colours, each already multiplied by the material's diffuse colour.
    Color m_cSelection, m_cFrozen, m_cLayer;
    Color m_cStart;  // the colour of an unselected, unfrozen face: base or inactive
    uint32_t m_iStartPacked = 0, m_iSelectionPacked = 0;
    bool m_bVertexFreeze = false;  // a quad's corners add their freeze bytes
    bool m_bLayerMask = false;     // corner 0's layer byte blends towards the layer colour
    Vector m_vCamera{0.0f, 0.0f, 0.0f};

    unsigned m_iBadFaces = 0;  // positions whose face number lies outside the mesh
};

// A byte read as 0 to 1.
inline float Unit(unsigned byte) { return float(byte) / 255.0f; }

// The face's freeze amount, 0 to 1.
template <class Face>
float FreezeAmount(const Chunk &c, const Face &face, const unsigned *v)
{
    const unsigned faceByte = face.m_iFreeze & 0xFF;
    if constexpr (Face::kCorners == 4) {
        float m = Unit(faceByte);
        if (c.m_bVertexFreeze) {
            for (unsigned k = 0; k < 4; ++k)
                m += Unit(c.m_pVertices[v[k]].m_cFreeze);
            m = std::min(m, 1.0f);
        }
        return m;
    } else {
        return (Unit(faceByte) + Unit(c.m_pVertices[v[0]].m_cFreeze)) * 0.5f;
    }
}

// Whether any freeze byte the face's amount is made of is set.
template <class Face>
bool HasFreeze(const Chunk &c, const Face &face, const unsigned *v)
{
    if (face.m_iFreeze & 0xFF)
        return true;
    if constexpr (Face::kCorners == 4) {
        return c.m_bVertexFreeze && (c.m_pVertices[v[0]].m_cFreeze | c.m_pVertices[v[1]].m_cFreeze |
                                     c.m_pVertices[v[2]].m_cFreeze | c.m_pVertices[v[3]].m_cFreeze) != 0;
    } else {
        return c.m_pVertices[v[0]].m_cFreeze != 0;
    }
}

// The packed colour of a face: selection, else the starting colour shaded towards the
// frozen one by the freeze amount; then the layer mask of corner 0. Most faces are
// neither selected, frozen nor masked and take a colour packed once per chunk.
template <class Face>
uint32_t FaceColor(const Chunk &c, const Face &face, const unsigned *v)
{
    Color color;
    if (face.m_iIndices[1] & MeshFlags::kBit31) {
        if (!c.m_bLayerMask)
            return c.m_iSelectionPacked;
        color = c.m_cSelection;
    } else if (!HasFreeze(c, face, v)) {
        if (!c.m_bLayerMask)
            return c.m_iStartPacked;
        color = c.m_cStart;
    } else {
        color = c.m_cFrozen.Lerp(c.m_cStart, FreezeAmount(c, face, v));
    }
    if (c.m_bLayerMask)
        color = color.Lerp(c.m_cLayer, Unit(c.m_pVertices[v[0]].m_cMask));
    return color.Pack();
}

inline FillBuffer::Normal ToNormal(const int16_t *n) { return FillBuffer::Normal{n[0], n[1], n[2]}; }

// The face at position j, or false when the position or the face number is out of range.
inline bool FaceAt(Chunk &c, unsigned j, unsigned &face)
{
    face = j;
    if (c.m_pOrder) {
        if (j >= c.m_iOrderCount) {
            ++c.m_iBadFaces;
            return false;
        }
        face = c.m_pOrder[j];
    }
    if (face >= c.m_iFaceCount) {
        ++c.m_iBadFaces;
        return false;
    }
    return true;
}

// Quads or triangles, N vertices a face; returns the number of vertices written.
template <unsigned Bits, bool WriteTC, class Face>
unsigned FillFaces(FillBuffer &b, Chunk &c, const Face *faces)
{
    constexpr unsigned N = Face::kCorners;
    constexpr bool smooth = Bits & kSmooth, colors = Bits & kColors, hidden = Bits & kHidden;
    constexpr bool cull = (Bits & kCulling) && N == 3;
    Vector *positions = b.m_aPositions.GetBuffer();
    FillBuffer::Normal *normals = b.m_aNormals.GetBuffer();
    uint32_t *packed = b.m_aColors.GetBuffer();
    TC *tcs = b.m_aTexCoords.GetBuffer();
    const Vertex *vertices = c.m_pVertices;

    unsigned out = 0;
    const unsigned end = unsigned(b.m_iEndFace);
    for (unsigned j = unsigned(b.m_iFirstFace); j < end; ++j) {
        unsigned f;
        if (!FaceAt(c, j, f))
            continue;
        const Face &face = faces[f];
        if constexpr (hidden) {
            if (!(face.m_iIndices[0] & MeshFlags::kBit31))
                continue;
        }
        unsigned v[N];
        for (unsigned k = 0; k < N; ++k) {
            const unsigned index = face.m_iIndices[k] & MeshFlags::kIndexMask;
            v[k] = index < c.m_iVertexCount ? index : 0;
        }
        if constexpr (cull) {
            const Vector n(face.m_aNormal[0] / 32767.0f, face.m_aNormal[1] / 32767.0f, face.m_aNormal[2] / 32767.0f);
            // Edge-on faces (product 0) stay.
            if (n.Dot(c.m_vCamera - vertices[v[0]].m_vPosition) < 0.0f)
                continue;
        }
        for (unsigned k = 0; k < N; ++k)
            positions[out + k] = vertices[v[k]].m_vPosition;
        if constexpr (smooth) {
            for (unsigned k = 0; k < N; ++k)
                normals[out + k] = ToNormal(vertices[v[k]].m_aNormal);
        } else {
            const FillBuffer::Normal n = ToNormal(face.m_aNormal);
            for (unsigned k = 0; k < N; ++k)
                normals[out + k] = n;
        }
        if constexpr (WriteTC) {
            for (unsigned k = 0; k < N; ++k) {
                const unsigned t = unsigned(face.m_iTCI[k]);
                tcs[out + k] = c.m_iTCCount ? c.m_pTCs[t < c.m_iTCCount ? t : 0] : TC{0.0f, 0.0f};
            }
        }
        if constexpr (colors) {
            const uint32_t color = FaceColor(c, face, v);
            for (unsigned k = 0; k < N; ++k)
                packed[out + k] = color;
        }
        out += N;
    }
    return out;
}

template <unsigned Bits, class Face>
void FillSurface(FillBuffer &b, Chunk &c, const Face *faces)
{
    bool withTC = (Bits & kPartitions) != 0;
    if constexpr ((Bits & kSmooth) && !(Bits & kPartitions))
        withTC = c.m_bTextured && c.m_iTCCount > 0;
    if (withTC)
        b.m_iVertexCount = FillFaces<Bits, true>(b, c, faces);
    else
        b.m_iVertexCount = FillFaces<Bits, false>(b, c, faces);
    b.m_bHasTexCoords = withTC;
}

// The outline of a triangle level's polygons: the edge shared by a triangle and the one
// before it in the same fan is left out, and an edge between two visible triangles is
// written once, by the lower-numbered one. A chunk whose edges would not fit the arrays
// ends early and the next chunk goes on from there.
template <unsigned Bits>
void FillLines(FillBuffer &b, Chunk &c, const Triangle *triangles)
{
    const unsigned count = c.m_iFaceCount;
    auto paired = [&](unsigned t) { return (triangles[t].m_iIndices[2] & MeshFlags::kBit31) != 0; };
    auto visible = [&](unsigned t) { return (triangles[t].m_iIndices[0] & MeshFlags::kBit31) != 0; };
    Vector *positions = b.m_aPositions.GetBuffer();
    FillBuffer::Normal *normals = b.m_aNormals.GetBuffer();
    uint32_t *packed = b.m_aColors.GetBuffer();

    unsigned edges = 0;
    auto addEdge = [&](unsigned t, unsigned e) {
        const Triangle &tri = triangles[t];
        const int32_t code = tri.m_iAdjacent[e];
        if (code >= 0) {
            const unsigned n = unsigned(code) / 3;
            if (n < t && n < count && visible(n))
                return;
        }
        static constexpr unsigned kEnds[3][2] = {{2, 1}, {0, 2}, {1, 0}};
        const Color chosen = (tri.m_iIndices[1] & MeshFlags::kBit31) ? c.m_cSelection : c.m_cStart;
        Color color = c.m_cFrozen.Lerp(chosen, Unit(tri.m_iFreeze & 0xFF));
        color.a = chosen.a;
        const uint32_t packedColor = color.Pack();
        for (unsigned k = 0; k < 2; ++k) {
            const unsigned index = tri.m_iIndices[kEnds[e][k]] & MeshFlags::kIndexMask;
            const Vertex &vertex = c.m_pVertices[index < c.m_iVertexCount ? index : 0];
            positions[2 * edges + k] = vertex.m_vPosition;
            normals[2 * edges + k] = ToNormal(vertex.m_aNormal);
            packed[2 * edges + k] = packedColor;
        }
        ++edges;
    };

    unsigned j = unsigned(b.m_iFirstFace);
    const unsigned end = unsigned(b.m_iEndFace);
    for (; j < end && edges + 3 <= FillBuffer::kMaxEdges; ++j) {
        unsigned t;
        if (!FaceAt(c, j, t))
            continue;
        if constexpr (Bits & kHidden) {
            if (!visible(t))
                continue;
        }
        const bool nextPaired = t + 1 < count && paired(t + 1);
        if (paired(t)) {
            addEdge(t, 0);
            if (!nextPaired)
                addEdge(t, 1);
        } else {
            if (!nextPaired)
                addEdge(t, 1);
            addEdge(t, 0);
            addEdge(t, 2);
        }
    }
    b.m_iEndFace = int32_t(j);
    b.m_iEdgeCount = int32_t(edges);
    b.m_iVertexCount = 2 * edges;
}

// Gathers the chunk; false when there is nothing that could be read.
template <unsigned Bits>
bool MakeChunk(Chunk &c, FillBuffer &b, Mesh &mesh, const FillSettings &s, bool lines)
{
    c.m_iVertexCount = std::min(mesh.m_iVertexCount, mesh.m_pVertices.GetItemCount());
    c.m_pVertices = mesh.m_pVertices.GetBuffer();
    c.m_iTCCount = mesh.m_pTCs.GetItemCount();
    c.m_pTCs = mesh.m_pTCs.GetBuffer();
    c.m_iFaceCount = std::min(mesh.m_iFaceCount, mesh.m_eType == Mesh::typeTriangular
                                                     ? mesh.m_pTriangles.GetItemCount()
                                                     : mesh.m_pQuads.GetItemCount());
    if (!c.m_iVertexCount || !c.m_iFaceCount || b.m_iFirstFace < 0 || b.m_iEndFace <= b.m_iFirstFace)
        return false;
    // However the chunk was set, the arrays hold no more than this.
    b.m_iEndFace = int32_t(std::min<int64_t>(b.m_iEndFace, int64_t(b.m_iFirstFace) + FillBuffer::kMaxFaces));

    const int partition = b.m_iPartition;
    if (partition >= 0 && unsigned(partition) < mesh.m_aPartitions.GetItemCount() &&
        mesh.m_aPartitions[unsigned(partition)].m_aFaces.HasItems()) {
        const auto &faces = mesh.m_aPartitions[unsigned(partition)].m_aFaces;
        c.m_pOrder = faces.GetBuffer();
        c.m_iOrderCount = faces.GetItemCount();
    } else if constexpr (Bits & kTable) {
        // Negative entries turn into face numbers past the mesh and are refused as such.
        c.m_pOrder = reinterpret_cast<const unsigned *>(mesh.m_aFaceIndexTable.GetBuffer());
        c.m_iOrderCount = mesh.m_aFaceIndexTable.GetItemCount();
    }

    const FillLook look = FillLook::Of(mesh);
    c.m_bTextured = look.m_bTextured;
    if ((Bits & kColors) || lines) {
        const Color base = look.m_bLocked ? s.m_cLocked : Color(0.8f, 0.8f, 0.8f, 1.0f);
        const bool inactive =
            s.m_iInactiveLevels == FillSettings::inactiveShade && !look.m_bActiveLevel && !look.m_bLocked;
        c.m_cStart = Modulate(inactive ? s.m_cInactiveLevel : base, look.m_cDiffuse);
        c.m_cSelection = Modulate(s.m_cSelection, look.m_cDiffuse);
        c.m_cFrozen = Modulate(s.m_cFrozen, look.m_cDiffuse);
        c.m_cLayer = Modulate(s.m_cLayerMask, look.m_cDiffuse);
        c.m_iStartPacked = c.m_cStart.Pack();
        c.m_iSelectionPacked = c.m_cSelection.Pack();
        c.m_bVertexFreeze = mesh.m_iFrozenVertices != 0 && s.m_bShowFrozenVertices;
        c.m_bLayerMask = s.m_bShowLayerMask && look.m_bActiveLayerLevel;
    }
    c.m_vCamera = s.m_vCameraPosition;
    return true;
}

template <unsigned Bits>
void Fill(FillBuffer &b, const FillSettings &s)
{
    b.m_iVertexCount = 0;
    b.m_iEdgeCount = 0;
    b.m_bHasTexCoords = false;
    if (!b.m_pMesh)
        return;
    Mesh &mesh = *b.m_pMesh;
    const bool quads = mesh.m_eType != Mesh::typeTriangular;
    const bool lines = !quads && FillBuffer::WritesLines(mesh, s);
    b.m_ePrimitive = quads ? FillBuffer::primitiveQuads
                           : (lines ? FillBuffer::primitiveLines : FillBuffer::primitiveTriangles);
    // A quad chunk reaching past the faces belongs to an earlier state of the mesh.
    if (quads && b.m_iEndFace > int64_t(mesh.m_iFaceCount))
        return;
    Chunk c;
    if (!MakeChunk<Bits>(c, b, mesh, s, lines))
        return;
    if (quads)
        FillSurface<Bits>(b, c, mesh.m_pQuads.GetBuffer());
    else if (lines)
        FillLines<Bits>(b, c, mesh.m_pTriangles.GetBuffer());
    else
        FillSurface<Bits>(b, c, mesh.m_pTriangles.GetBuffer());
    TV_ASSERT(c.m_iBadFaces == 0);
}

template <size_t... I>
constexpr std::array<FillVariants::Function, 64> MakeTable(std::index_sequence<I...>)
{
    return {{&Fill<unsigned(I)>...}};
}

}  // namespace

namespace FillVariants {

const std::array<Function, 64> &Table()
{
    static constexpr std::array<Function, 64> table = MakeTable(std::make_index_sequence<64>());
    return table;
}

}  // namespace FillVariants
