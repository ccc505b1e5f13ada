// The 64 fills against arrays worked out face by face from small fixtures.
#include "FillFixtures.h"

#include "support/RecordingShell.h"
#include "viewport/fill/FillVariants.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

using namespace fillfixtures;
using General::Color;

namespace {

const Color kBase(0.8f, 0.8f, 0.8f, 1.0f);

// What one fixture expects of every fill: the face order without and with the face
// index table, the faces each condition leaves out and the colour of each face.
struct Case {
    const char *name;
    std::unique_ptr<Mesh> mesh;
    unsigned corners;
    std::vector<unsigned> tableOrder;
    std::vector<bool> hidden, backFacing;
    std::function<uint32_t(unsigned)> color;
};

// 10 quads, 3 hidden; one selected, one fully frozen, one frozen by a fifth.
Case QuadCase(const FillSettings &s)
{
    Case c{"quads", MakeSeparateFaces<Quad>(10), 4, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, {}, {}, {}};
    for (unsigned f : {2u, 5u, 7u})
        Hide(*c.mesh, f);
    Select(*c.mesh, 1);
    Freeze(*c.mesh, 3, 255);
    Freeze(*c.mesh, 4, 51);
    c.hidden = {false, false, true, false, false, true, false, true, false, false};
    c.backFacing.assign(10, false);  // quads are never culled, whichever way they face
    for (unsigned f = 0; f < 10; ++f)
        c.mesh->m_pQuads[f].m_aNormal[2] = int16_t(f % 2 ? -30000 : 30000);
    c.color = [s](unsigned f) -> uint32_t {
        switch (f) {
        case 1: return s.m_cSelection.Pack();
        case 3: return s.m_cFrozen.Pack();
        case 4: return Blend(s.m_cFrozen, kBase, 51.0f / 255.0f);
        default: return kBase.Pack();
        }
    };
    return c;
}

// 6 triangles seen from (0, 0, 10): toward the camera, away, edge-on, hidden, away and
// selected, toward and frozen half by the face and not by corner 0.
Case TriangleCase(const FillSettings &s)
{
    Case c{"triangles", MakeSeparateFaces<Triangle>(6), 3, {5, 4, 3, 2, 1, 0}, {}, {}, {}};
    const int16_t z[6] = {32767, -32767, 0, 32767, -32767, 20000};
    for (unsigned f = 0; f < 6; ++f) {
        Triangle &t = c.mesh->m_pTriangles[f];
        t.m_aNormal[0] = f == 2 ? int16_t(32767) : int16_t(0);
        t.m_aNormal[1] = 0;
        t.m_aNormal[2] = z[f];
        // Corner 0 at x = 0, z = 0: the edge-on triangle's product is exactly 0.
        c.mesh->m_pVertices[3 * f].m_vPosition = Vector(0.0f, float(f), 0.0f);
    }
    Hide(*c.mesh, 3);
    Select(*c.mesh, 4);
    Freeze(*c.mesh, 5, 255);
    c.hidden = {false, false, false, true, false, false};
    c.backFacing = {false, true, false, false, true, false};
    c.color = [s](unsigned f) -> uint32_t {
        if (f == 4)
            return s.m_cSelection.Pack();
        if (f == 5)
            return Blend(s.m_cFrozen, kBase, 0.5f);
        return kBase.Pack();
    };
    return c;
}

struct Written {
    unsigned count;
    std::vector<Vector> positions;
    std::vector<FillBuffer::Normal> normals;
    std::vector<uint32_t> colors;
};

Written Copy(const FillBuffer &b)
{
    const unsigned n = b.m_iVertexCount;
    return {n, std::vector<Vector>(b.m_aPositions.GetBuffer(), b.m_aPositions.GetBuffer() + n),
            std::vector<FillBuffer::Normal>(b.m_aNormals.GetBuffer(), b.m_aNormals.GetBuffer() + n),
            std::vector<uint32_t>(b.m_aColors.GetBuffer(), b.m_aColors.GetBuffer() + n)};
}

}  // namespace

TEST(FillVariants, EveryEntryWritesTheFacesItsFlagsKeepWithTheirNormalsColoursAndCoordinates)
{
    FillSettings settings;
    settings.m_vCameraPosition = Vector(0.0f, 0.0f, 10.0f);
    std::vector<Case> cases;
    cases.push_back(QuadCase(settings));
    cases.push_back(TriangleCase(settings));
    FillBuffer buffer;

    for (Case &c : cases) {
        Mesh &mesh = *c.mesh;
        const unsigned faces = mesh.m_iFaceCount;
        mesh.m_aFaceIndexTable.SetItemCount(faces, false);
        for (unsigned j = 0; j < faces; ++j)
            mesh.m_aFaceIndexTable[j] = int(c.tableOrder[j]);
        std::vector<Written> twins;

        for (unsigned e = 0; e < 64; ++e) {
            SCOPED_TRACE(testing::Message() << c.name << ", entry " << e);
            // Whatever an earlier fill left must not count.
            SetChunk(buffer, mesh, 0, int(faces), e);
            FillVariants::Table()[e](buffer, settings);

            std::vector<unsigned> kept;
            for (unsigned j = 0; j < faces; ++j) {
                const unsigned f = (e & 8) ? c.tableOrder[j] : j;
                if (((e & 4) && c.hidden[f]) || ((e & 16) && c.backFacing[f]))
                    continue;
                kept.push_back(f);
            }
            ASSERT_EQ(buffer.m_iVertexCount, kept.size() * c.corners);
            EXPECT_EQ(buffer.m_ePrimitive, c.corners == 4 ? FillBuffer::primitiveQuads : FillBuffer::primitiveTriangles);
            EXPECT_EQ(buffer.m_bHasTexCoords, e >= 32);

            for (unsigned slot = 0; slot < kept.size(); ++slot) {
                const unsigned f = kept[slot];
                const int16_t *faceNormal = c.corners == 4 ? mesh.m_pQuads[f].m_aNormal : mesh.m_pTriangles[f].m_aNormal;
                for (unsigned k = 0; k < c.corners; ++k) {
                    const unsigned out = slot * c.corners + k;
                    const Vertex &vertex = mesh.m_pVertices[c.corners * f + k];
                    EXPECT_EQ(buffer.m_aPositions.GetBuffer()[out], vertex.m_vPosition) << "slot " << out;
                    const FillBuffer::Normal expected =
                        (e & 1) ? Normal(vertex.m_aNormal[0], vertex.m_aNormal[1], vertex.m_aNormal[2])
                                : Normal(faceNormal[0], faceNormal[1], faceNormal[2]);
                    EXPECT_EQ(buffer.m_aNormals.GetBuffer()[out], expected) << "slot " << out;
                    if (e & 2)
                        EXPECT_EQ(buffer.m_aColors.GetBuffer()[out], c.color(f)) << "slot " << out;
                    if (e & 32) {
                        const TC &tc = buffer.m_aTexCoords.GetBuffer()[out];
                        EXPECT_EQ(tc.u, 0.25f * float(f)) << "slot " << out;
                        EXPECT_EQ(tc.v, 0.5f * float(k)) << "slot " << out;
                    }
                }
            }

            // An entry with texture coordinates writes what its twin writes, and only adds them.
            if (e < 32) {
                twins.push_back(Copy(buffer));
                continue;
            }
            const Written now = Copy(buffer), &twin = twins[e - 32];
            EXPECT_EQ(now.count, twin.count);
            EXPECT_EQ(now.positions, twin.positions);
            EXPECT_EQ(now.normals, twin.normals);
            if (e & 2)
                EXPECT_EQ(now.colors, twin.colors);
        }
    }
}

// A fill after a full one leaves the full one's later slots as they were; the written
// count must not reach them.
TEST(FillVariants, AFillAfterAFullOneCountsOnlyWhatItWrote)
{
    struct Row {
        const char *name;
        int first, end;
        unsigned entry, vertices;
        unsigned firstVertex, lastVertex;  // the mesh vertices at slot 0 and the last written slot
    } rows[] = {
        // Faces 0, 4 and 9 hidden: seven quads move up into slots 0 to 27.
        {"hidden faces", 0, 10, 4, 28, 4, 35},
        // The mesh has 10 faces: a chunk reaching past them is stale and writes nothing.
        {"a quad chunk past the faces", 8, 12, 0, 0, 0, 0},
    };
    auto mesh = MakeSeparateFaces<Quad>(10);
    for (unsigned f : {0u, 4u, 9u})
        Hide(*mesh, f);
    FillBuffer buffer;
    FillSettings settings;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        SetChunk(buffer, *mesh, 0, 10, 0);
        FillVariants::Table()[0](buffer, settings);
        ASSERT_EQ(buffer.m_iVertexCount, 40u);
        SetChunk(buffer, *mesh, row.first, row.end, row.entry);
        FillVariants::Table()[row.entry](buffer, settings);
        EXPECT_EQ(buffer.m_iVertexCount, row.vertices);
        if (row.vertices) {
            EXPECT_EQ(buffer.m_aPositions.GetBuffer()[0], mesh->m_pVertices[row.firstVertex].m_vPosition);
            EXPECT_EQ(buffer.m_aPositions.GetBuffer()[row.vertices - 1], mesh->m_pVertices[row.lastVertex].m_vPosition);
        }
    }
}

TEST(FillVariants, DamagedIndicesReadInsideTheStores)
{
    Recorder().ExpectAssertionFailures();
    FillSettings settings;
    FillBuffer buffer;
    struct Damage {
        const char *name;
        std::function<void(Mesh &)> apply;
        unsigned vertices;  // written
        std::function<void(const Mesh &, const FillBuffer &)> check;
    };
    const std::vector<Damage> damages = {
        {"texture index past the store reads record 0", [](Mesh &m) { m.m_pQuads[1].m_iTCI[2] = 4000; }, 8,
         [](const Mesh &m, const FillBuffer &b) {
             EXPECT_EQ(b.m_aTexCoords.GetBuffer()[6].u, m.m_pTCs[0].u);
             EXPECT_EQ(b.m_aTexCoords.GetBuffer()[6].v, m.m_pTCs[0].v);
         }},
        {"negative texture index reads record 0", [](Mesh &m) { m.m_pQuads[0].m_iTCI[0] = -5; }, 8,
         [](const Mesh &m, const FillBuffer &b) { EXPECT_EQ(b.m_aTexCoords.GetBuffer()[0].u, m.m_pTCs[0].u); }},
        {"no texture records at all gives zeros",
         [](Mesh &m) {
             m.m_pTCs.Free();
             m.m_pTCs.SetItemCount(0, false);
             m.m_iTCCount = 0;
         },
         8,
         [](const Mesh &, const FillBuffer &b) {
             for (unsigned i = 0; i < 8; ++i)
                 EXPECT_TRUE(b.m_aTexCoords.GetBuffer()[i].u == 0.0f && b.m_aTexCoords.GetBuffer()[i].v == 0.0f);
         }},
        {"vertex index past the store reads vertex 0",
         [](Mesh &m) { m.m_pQuads[1].m_iIndices[3] = (m.m_pQuads[1].m_iIndices[3] & ~MeshFlags::kIndexMask) | 5000; },
         8, [](const Mesh &m, const FillBuffer &b) { EXPECT_EQ(b.m_aPositions.GetBuffer()[7], m.m_pVertices[0].m_vPosition); }},
        {"face index table entries outside the mesh are left out",
         [](Mesh &m) {
             m.m_aFaceIndexTable.Add(1);
             m.m_aFaceIndexTable.Add(-3);
         },
         4, [](const Mesh &m, const FillBuffer &b) { EXPECT_EQ(b.m_aPositions.GetBuffer()[0], m.m_pVertices[4].m_vPosition); }},
        {"a face count past the face store is bounded by the store", [](Mesh &m) { m.m_iFaceCount = 2000; }, 8,
         [](const Mesh &, const FillBuffer &) {}},
    };
    for (const Damage &d : damages) {
        SCOPED_TRACE(d.name);
        auto mesh = MakeSeparateFaces<Quad>(2);
        d.apply(*mesh);
        const unsigned entry = mesh->m_aFaceIndexTable.HasItems() ? 32 + 8 : 32;
        SetChunk(buffer, *mesh, 0, 2, entry);
        FillVariants::Table()[entry](buffer, settings);
        EXPECT_EQ(buffer.m_iVertexCount, d.vertices);
        d.check(*mesh, buffer);
    }
}
