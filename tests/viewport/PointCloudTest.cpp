// Point clouds: which vertices go out, in how many draw calls, and in which colours.
#include "viewport/draw/PointBuffer.h"
#include "viewport/draw/PointCloud.h"

#include "FillFixtures.h"
#include "mesh/core/Mesh.h"
#include "viewport/fill/FillLook.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what each draw call would send: vertex x positions (the fixture numbers them) and colours.
struct Recorder {
    std::vector<std::vector<float>> draws;
    std::vector<uint32_t> colors;
    void Attach(PointBuffer &buffer)
    {
        buffer.SetDrawer([this](const PointBuffer &b) {
            draws.emplace_back();
            for (unsigned i = 0; i < b.m_iCount; ++i) {
                draws.back().push_back(b.m_aPositions.GetBuffer()[i].x);
                colors.push_back(b.m_aColors.GetBuffer()[i]);
            }
        });
    }
};

// A strip of `quads` quads sharing their edges: vertex i sits at x = i.
std::unique_ptr<Mesh> QuadStrip(unsigned quads)
{
    auto mesh = std::make_unique<Mesh>();
    mesh->m_eType = Mesh::typeQuadric;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = quads;
    mesh->m_iVertexCount = 2 * quads + 2;
    mesh->m_pVertices.SetItemCount(mesh->m_iVertexCount, false);
    for (unsigned i = 0; i < mesh->m_iVertexCount; ++i) {
        Vertex v{};
        v.m_vPosition = General::Vector(float(i), 0, 0);
        v.m_aNormal[2] = 32767;
        mesh->m_pVertices[i] = v;
    }
    for (unsigned f = 0; f < quads; ++f) {
        Quad q{};
        const unsigned c[4] = {2 * f, 2 * f + 2, 2 * f + 3, 2 * f + 1};
        for (unsigned k = 0; k < 4; ++k)
            q.m_iIndices[k] = c[k];
        q.m_iIndices[0] |= MeshFlags::kBit31;
        mesh->m_pQuads.Add(q);
    }
    return mesh;
}

std::vector<float> Sorted(const Recorder &r)
{
    std::vector<float> all;
    for (const auto &d : r.draws)
        all.insert(all.end(), d.begin(), d.end());
    std::sort(all.begin(), all.end());
    return all;
}

// Draws the level's points through a fresh batch, recording its draw calls.
Recorder DrawPoints(Mesh &mesh, int step, const FillLook &look = {}, const FillSettings &settings = {})
{
    PointBuffer buffer;
    Recorder recorder;
    recorder.Attach(buffer);
    DrawMeshPoints(mesh, look, settings, step, buffer);
    EXPECT_EQ(buffer.m_iCount, 0u);  // nothing is left behind for the next level
    return recorder;
}

}  // namespace

TEST(PointCloud, TheStepThinsVerticesAndEachGoesOutOnceOnBothPaths)
{
    auto mesh = QuadStrip(6);  // 14 vertices, inner ones shared by two quads
    const std::vector<float> expected = {0, 3, 6, 9, 12};
    for (bool walk : {false, true}) {
        SCOPED_TRACE(walk ? "face walk" : "plain");
        // A hidden face forces the face walk; hide one whose vertices the others also reach.
        if (walk) {
            mesh->m_pQuads[0].m_iIndices[0] &= ~MeshFlags::kBit31;
            mesh->m_iHiddenFaces = 1;
        }
        const Recorder recorder = DrawPoints(*mesh, 3);
        ASSERT_EQ(recorder.draws.size(), 1u);
        // Vertex 0 belongs only to the hidden quad, so the walk leaves it out.
        std::vector<float> want = expected;
        if (walk)
            want.erase(want.begin());
        EXPECT_EQ(Sorted(recorder), want);
    }
}

TEST(PointCloud, AFullBatchIsDrawnAtOnceAndTheRestOnFlush)
{
    auto mesh = QuadStrip(2048);  // 4,098 vertices
    mesh->m_iVertexCount = 4097;
    PointBuffer buffer;
    Recorder recorder;
    recorder.Attach(buffer);
    DrawMeshPoints(*mesh, FillLook{}, FillSettings{}, 1, buffer);
    ASSERT_EQ(recorder.draws.size(), 2u);
    EXPECT_EQ(recorder.draws[0].size(), 4096u);
    EXPECT_EQ(recorder.draws[1].size(), 1u);
    EXPECT_EQ(recorder.draws[1][0], 4096.0f);

    // An empty batch makes no draw call.
    buffer.Flush();
    EXPECT_EQ(recorder.draws.size(), 2u);
}

TEST(PointCloud, ColoursFollowSelectionAndFreezeOverTheDiffuse)
{
    auto mesh = QuadStrip(2);
    FillLook look;
    look.m_cDiffuse = General::Color(1.0f, 0.5f, 1.0f, 1.0f);
    FillSettings settings;
    settings.m_cSelection = General::Color(0.0f, 1.0f, 0.0f, 1.0f);
    settings.m_cFrozen = General::Color(0.0f, 0.0f, 1.0f, 1.0f);
    // Quad 0 selected and fully frozen; quad 1 fully frozen. The quads share vertices 2 and 3,
    // which take quad 0's colour as the first face to reach them.
    mesh->m_pQuads[0].m_iIndices[1] |= MeshFlags::kBit31;
    mesh->m_pQuads[0].m_iFreeze = 255;
    mesh->m_iSelectedFaces = 1;
    mesh->m_iFrozenFaces = 2;
    mesh->m_pQuads[1].m_iFreeze = 255;
    Recorder recorder = DrawPoints(*mesh, 1, look, settings);
    ASSERT_EQ(recorder.draws.size(), 1u);
    ASSERT_EQ(recorder.draws[0].size(), 6u);
    // A fully frozen face is the frozen colour × diffuse whatever its selection.
    const uint32_t frozen = PackColor(0.0f, 0.0f, 1.0f, 1.0f);
    for (uint32_t color : recorder.colors)
        EXPECT_EQ(color, frozen);

    mesh->m_pQuads[0].m_iFreeze = 0;
    recorder = DrawPoints(*mesh, 1, look, settings);
    const uint32_t selected = PackColor(0.0f, 0.5f, 0.0f, 1.0f);
    ASSERT_EQ(recorder.colors.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(recorder.colors[i], recorder.draws[0][i] < 4.0f ? selected : frozen) << recorder.draws[0][i];
}

TEST(PointCloud, TheLayerMaskBlendsEachVertexTowardsTheLayerColour)
{
    auto mesh = QuadStrip(1);  // vertices 0 to 3, nothing selected or frozen
    FillLook look;
    look.m_cDiffuse = General::Color(1.0f, 0.5f, 1.0f, 1.0f);
    FillSettings settings;
    settings.m_cLayerMask = General::Color(1.0f, 0.0f, 0.0f, 1.0f);
    const uint8_t masks[4] = {0, 255, 51, 255};
    for (unsigned i = 0; i < 4; ++i)
        mesh->m_pVertices[i].m_cMask = masks[i];
    const General::Color grey(0.8f, 0.4f, 0.8f, 1.0f), layer(1.0f, 0.0f, 0.0f, 1.0f);
    struct Row {
        const char *name;
        bool shown, activeLayer;
    } rows[] = {{"shown", true, true}, {"hidden", false, true}, {"no active layer", true, false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        settings.m_bShowLayerMask = row.shown;
        look.m_bActiveLayerLevel = row.activeLayer;
        const Recorder recorder = DrawPoints(*mesh, 1, look, settings);
        ASSERT_EQ(recorder.colors.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            const unsigned vertex = unsigned(recorder.draws[0][i]);
            // A weight of 0 shows the layer colour in full, 255 the level's own colour.
            const General::Color want = row.shown && row.activeLayer
                                            ? grey.Lerp(layer, float(masks[vertex]) / 255.0f)
                                            : grey;
            EXPECT_EQ(recorder.colors[i], PackColor(want.r, want.g, want.b, want.a)) << vertex;
        }
    }
}

TEST(PointCloud, PackedColoursPutRedInTheLowestByteAndClamp)
{
    EXPECT_EQ(PackColor(1.0f, 0.0f, 0.0f, 0.0f), 0x000000ffu);
    EXPECT_EQ(PackColor(0.0f, 0.0f, 0.0f, 1.0f), 0xff000000u);
    EXPECT_EQ(PackColor(2.0f, -1.0f, 0.5f, 1.0f), 0xff7f00ffu);
}
