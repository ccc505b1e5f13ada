// Video buffers made in a real OpenGL context: patches, wireframe rules, uploads and
// the video-memory counter.
#include "GLContext.h"

#include "mesh/buffers/BufferCreator.h"
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/buffers/BufferHost.h"
#include "mesh/surface/Material.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/Object.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {

using fixtures::Vector;

class TestHost : public BufferHost {
public:
    bool Wireframe() const override { return m_bWireframe; }
    void RefreshView() override { ++m_iRefreshes; }
    General::Color SelectionColor() const override { return General::Color(1.0f, 0.0f, 0.0f, 1.0f); }
    General::Color FrozenColor() const override { return General::Color(0.0f, 0.0f, 1.0f, 1.0f); }
    bool ShowMask() const override { return m_bShowMask; }

    bool m_bWireframe = false;
    bool m_bShowMask = false;
    int m_iRefreshes = 0;
};

class VideoBuffers : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_GL();
        BufferHost::Install(&m_host);
    }
    void TearDown() override { BufferHost::Install(nullptr); }

    // Reads a GL buffer back.
    template <class T>
    std::vector<T> ReadBack(GLenum target, GLuint name, unsigned count)
    {
        auto getSubData =
            reinterpret_cast<PFNGLGETBUFFERSUBDATAPROC>(gltest::Context()->getProcAddress("glGetBufferSubData"));
        std::vector<T> data(count);
        const BufferEntryPoints &gl = BufferEntryPoints::Get();
        gl.m_pBindBuffer(target, name);
        getSubData(target, 0, GLsizeiptr(count * sizeof(T)), data.data());
        gl.m_pBindBuffer(target, 0);
        return data;
    }

    // Every line of the wireframe buffers as a sorted pair of mesh vertices.
    std::vector<std::pair<unsigned, unsigned>> Lines(Mesh &mesh)
    {
        std::vector<std::pair<unsigned, unsigned>> lines;
        for (BufferObject &buffer : mesh.m_aBuffers) {
            EXPECT_TRUE(buffer.m_bLines);
            auto indices = ReadBack<uint16_t>(GL_ELEMENT_ARRAY_BUFFER, buffer.m_iIndexBuffer, buffer.GetIndexCount());
            for (unsigned i = 0; i + 1 < indices.size(); i += 2) {
                unsigned a = buffer.m_aVertexIndices[indices[i]], b = buffer.m_aVertexIndices[indices[i + 1]];
                lines.emplace_back(std::min(a, b), std::max(a, b));
            }
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    static std::unique_ptr<Mesh> Sheet(unsigned w, unsigned h)
    {
        auto mesh = fixtures::MakeWavySheet(w, h, 7);
        mesh->CalculateAdjacency();
        return mesh;
    }

    TestHost m_host;
};

TEST_F(VideoBuffers, SeventyThousandQuadsMakePatchesThatFitSixteenBitIndices)
{
    auto mesh = Sheet(280, 250);
    ASSERT_EQ(mesh->m_iFaceCount, 70000u);
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    ASSERT_GT(mesh->m_aBuffers.GetItemCount(), 1u);

    unsigned triangles = 0;
    std::vector<int> seen(mesh->m_iVertexCount, 0);
    std::vector<unsigned> last(mesh->m_iVertexCount, 0);
    for (unsigned b = 0; b < mesh->m_aBuffers.GetItemCount(); ++b) {
        BufferObject &buffer = mesh->m_aBuffers[b];
        EXPECT_LE(buffer.m_iVertexCount, 65536u);
        EXPECT_EQ(buffer.m_aVertexIndices.GetItemCount(), buffer.m_iVertexCount);
        EXPECT_FALSE(buffer.m_bDirty);
        triangles += buffer.m_iPrimitiveCount;
        auto indices = ReadBack<uint16_t>(GL_ELEMENT_ARRAY_BUFFER, buffer.m_iIndexBuffer, buffer.GetIndexCount());
        EXPECT_TRUE(std::all_of(indices.begin(), indices.end(), [&](uint16_t i) { return i < buffer.m_iVertexCount; }));
        // The positions on the GPU are those of the mesh vertices the buffer names.
        auto positions = ReadBack<BufferObject::DVertex>(GL_ARRAY_BUFFER, buffer.m_iPositionBuffer, buffer.m_iVertexCount);
        for (unsigned i = 0; i < buffer.m_iVertexCount; i += 997) {
            const Vector &p = mesh->m_pVertices[buffer.m_aVertexIndices[i]].m_vPosition;
            EXPECT_EQ(Vector(positions[i].x, positions[i].y, positions[i].z), p);
        }
        for (unsigned v : buffer.m_aVertexIndices) {
            ++seen[v];
            last[v] = b;
        }
    }
    // Every face drawn once; vertices on the seams between patches are in more than one buffer.
    EXPECT_EQ(triangles, 140000u);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n >= 1; }));
    EXPECT_GT(*std::max_element(seen.begin(), seen.end()), 1);
    // Each vertex names the last buffer that holds it.
    for (unsigned v = 0; v < mesh->m_iVertexCount; ++v)
        ASSERT_EQ(mesh->m_aVertexBuffers[v], last[v]) << v;
    EXPECT_TRUE(Recorder().LogContains(" Buffer 1: "));
    EXPECT_EQ(Recorder().progressTexts.back(), "Recreating video memory buffers");
    EXPECT_EQ(m_host.m_iRefreshes, 1);
}

TEST_F(VideoBuffers, WireframeDrawsEachEdgeOnce)
{
    m_host.m_bWireframe = true;
    auto mesh = Sheet(3, 2);
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    auto lines = Lines(*mesh);
    // A 3 × 2 grid of quads has 4 × 2 + 3 × 3 = 17 edges, 10 of them on the border.
    EXPECT_EQ(lines.size(), 17u);
    EXPECT_EQ(std::set(lines.begin(), lines.end()).size(), lines.size());

    // Switching the view back to shaded makes triangles again.
    m_host.m_bWireframe = false;
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    EXPECT_FALSE(mesh->m_aBuffers[0].m_bLines);
    EXPECT_EQ(mesh->m_aBuffers[0].m_iPrimitiveCount, 12u);
}

TEST_F(VideoBuffers, WireframeLeavesTheDiagonalsOfTriangleFansOut)
{
    m_host.m_bWireframe = true;
    // A pentagon as a fan of three triangles around vertex 0, next to a lone triangle.
    auto mesh = fixtures::MakeTriangles({Vector(0, 0, 0), Vector(1, 0, 0), Vector(2, 1, 0), Vector(1, 2, 0),
                                         Vector(0, 1, 0), Vector(2, -1, 0)},
                                        {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {1, 5, 2}});
    mesh->m_pTriangles[1].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->m_pTriangles[2].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->CalculateAdjacency();
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    const std::vector<std::pair<unsigned, unsigned>> expected = {{0, 1}, {0, 4}, {1, 2}, {1, 5}, {2, 3}, {2, 5}, {3, 4}};
    EXPECT_EQ(Lines(*mesh), expected);
}

TEST_F(VideoBuffers, RecreatingAgainLeavesTheVideoMemoryCounterWhereItWas)
{
    const int64_t before = BufferObject::GetVideoMemoryInUse();
    {
        auto mesh = Sheet(20, 20);
        ASSERT_TRUE(mesh->RecreateBuffers(true));
        const int64_t once = BufferObject::GetVideoMemoryInUse();
        // 441 vertices × (4 + 20) bytes and 800 triangles × 6 bytes.
        EXPECT_EQ(once - before, 441 * 24 + 800 * 6);
        mesh->m_bRecreateBuffers = true;
        ASSERT_TRUE(mesh->RecreateBuffers(true));
        EXPECT_EQ(BufferObject::GetVideoMemoryInUse(), once);
        // Nothing to do while the buffers are current.
        EXPECT_TRUE(mesh->RecreateBuffers(true));
        EXPECT_EQ(m_host.m_iRefreshes, 2);
    }
    EXPECT_EQ(BufferObject::GetVideoMemoryInUse(), before);
}

TEST_F(VideoBuffers, HiddenFacesAreLeftOutWithoutStoppingTheRest)
{
    auto mesh = Sheet(4, 4);
    // The first face hidden: every visible face is still drawn.
    mesh->m_pQuads[0].m_iIndices[0] &= ~MeshFlags::kBit31;
    mesh->m_pQuads[5].m_iIndices[0] &= ~MeshFlags::kBit31;
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    unsigned triangles = 0;
    for (BufferObject &buffer : mesh->m_aBuffers)
        triangles += buffer.m_iPrimitiveCount;
    EXPECT_EQ(triangles, 2u * 14u);
}

TEST_F(VideoBuffers, PartitionsGetBuffersOfTheirOwn)
{
    auto mesh = Sheet(4, 1);
    mesh->m_aFacePartition.SetItemCount(4, false);
    const uint32_t partitions[4] = {0, 1, 1, 0};
    for (unsigned f = 0; f < 4; ++f)
        mesh->m_aFacePartition[f] = partitions[f];
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    // Faces 0 and 3 share a partition but are not connected: three patches.
    ASSERT_EQ(mesh->m_aBuffers.GetItemCount(), 3u);
    EXPECT_EQ(mesh->m_aBuffers[0].m_iPrimitiveCount, 2u);
    EXPECT_EQ(mesh->m_aBuffers[1].m_iPrimitiveCount, 4u);
    EXPECT_EQ(mesh->m_aBuffers[2].m_iPrimitiveCount, 2u);
}

TEST_F(VideoBuffers, ColoursFollowSelectionFreezeAndMask)
{
    m_host.m_bShowMask = true;
    auto mesh = Sheet(2, 1);  // vertices 0 1 2 / 3 4 5; face 1 is (1, 2, 5, 4)
    mesh->m_pQuads[1].m_iIndices[1] |= MeshFlags::kBit31;  // selected
    mesh->m_pQuads[0].m_iFreeze = 255;                     // fully frozen
    mesh->m_pVertices[3].m_cMask = 255;
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    ASSERT_EQ(mesh->m_aBuffers.GetItemCount(), 1u);
    BufferObject &buffer = mesh->m_aBuffers[0];
    auto colors = ReadBack<BufferObject::AVertex>(GL_ARRAY_BUFFER, buffer.m_iAttributeBuffer, buffer.m_iVertexCount);
    auto colorOf = [&](unsigned vertex) {
        for (unsigned i = 0; i < buffer.m_iVertexCount; ++i)
            if (buffer.m_aVertexIndices[i] == vertex)
                return colors[i];
        ADD_FAILURE() << "vertex " << vertex << " not in the buffer";
        return BufferObject::AVertex{};
    };
    auto rgb = [](BufferObject::AVertex c) { return std::vector<int>{c.r, c.g, c.b}; };
    EXPECT_EQ(rgb(colorOf(0)), (std::vector<int>{0, 0, 255}));  // the frozen face's blend colour
    EXPECT_EQ(rgb(colorOf(3)), (std::vector<int>{0, 0, 0}));    // masked out
    EXPECT_EQ(rgb(colorOf(1)), (std::vector<int>{255, 0, 0}));  // shared with the selected face, which wins
    EXPECT_EQ(rgb(colorOf(2)), (std::vector<int>{255, 0, 0}));
}

TEST_F(VideoBuffers, TheObjectsMaterialAndActiveLevelColourTheFaces)
{
    auto object = fixtures::MakeWavySheet<Object>(1, 1, 3);
    Surface::Material material;
    material.SetDiffuse(General::Color(0.5f, 1.0f, 0.25f, 1.0f));
    object->m_aMaterial.SetValue(&material, true);
    auto firstColor = [&]() {
        EXPECT_TRUE(object->RecreateBuffers(true));
        BufferObject &buffer = object->m_aBuffers[0];
        auto colors = ReadBack<BufferObject::AVertex>(GL_ARRAY_BUFFER, buffer.m_iAttributeBuffer, 1);
        return std::vector<int>{colors[0].r, colors[0].g, colors[0].b};
    };
    // The active level: the diffuse colour times 0.8.
    EXPECT_EQ(firstColor(), (std::vector<int>{102, 204, 51}));
    // Another level: the diffuse colour times the inactive-level colour (0.5 grey here).
    object->m_pActiveLevel = nullptr;
    object->m_bRecreateBuffers = true;
    EXPECT_EQ(firstColor(), (std::vector<int>{63, 127, 31}));
    object->m_pActiveLevel = object.get();
    object->m_aMaterial.SetValue(nullptr, true);
}

TEST_F(VideoBuffers, MovedVerticesAreUploadedAgain)
{
    auto mesh = Sheet(3, 3);
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    BufferObject &buffer = mesh->m_aBuffers[0];
    EXPECT_FALSE(buffer.m_bDirty);
    mesh->SetVertexPosition(5, Vector(7, 8, 9));
    ASSERT_TRUE(buffer.m_bDirty);
    ASSERT_TRUE(buffer.Upload());
    EXPECT_FALSE(buffer.m_bDirty);
    auto positions = ReadBack<BufferObject::DVertex>(GL_ARRAY_BUFFER, buffer.m_iPositionBuffer, buffer.m_iVertexCount);
    const unsigned i = unsigned(std::find(buffer.m_aVertexIndices.begin(), buffer.m_aVertexIndices.end(), 5u) -
                                buffer.m_aVertexIndices.begin());
    ASSERT_LT(i, buffer.m_iVertexCount);
    EXPECT_EQ(Vector(positions[i].x, positions[i].y, positions[i].z), Vector(7, 8, 9));
}

TEST_F(VideoBuffers, ABufferTooLargeForSixteenBitIndicesIsCutUpNotDropped)
{
    Recorder().ExpectAssertionFailures();
    auto mesh = Sheet(280, 250);
    BufferObject oversized;
    oversized.m_pMesh = mesh.get();
    ASSERT_TRUE(oversized.m_aVertexIndices.SetItemCount(70000, false));
    for (unsigned i = 0; i < 70000; ++i)
        oversized.m_aVertexIndices[i] = i;
    EXPECT_FALSE(oversized.Upload());
    EXPECT_TRUE(oversized.m_bDirty);
    EXPECT_TRUE(Recorder().LogContains("m_aVertexIndices"));
    // The mesh is made again in patches that fit.
    EXPECT_TRUE(mesh->m_bRecreateBuffers);
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    for (BufferObject &buffer : mesh->m_aBuffers)
        EXPECT_LE(buffer.m_aVertexIndices.GetItemCount(), 65536u);
}

TEST_F(VideoBuffers, DrawingLeavesNoOpenGLError)
{
    auto mesh = Sheet(5, 5);
    ASSERT_TRUE(mesh->RecreateBuffers(true));
    while (glGetError() != GL_NO_ERROR) {
    }
    for (BufferObject &buffer : mesh->m_aBuffers)
        buffer.Draw();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(VideoBuffers, NoBuffersWithoutEntryPointsOrPermission)
{
    auto mesh = Sheet(2, 2);
    EXPECT_FALSE(mesh->RecreateBuffers(false));
    const BufferEntryPoints installed = BufferEntryPoints::Get();
    BufferEntryPoints partial = installed;
    partial.m_pDeleteBuffers = nullptr;
    BufferEntryPoints::Install(partial);
    EXPECT_FALSE(mesh->RecreateBuffers(true));
    BufferEntryPoints::Install(installed);
    EXPECT_EQ(mesh->m_aBuffers.GetItemCount(), 0u);
}

}  // namespace
