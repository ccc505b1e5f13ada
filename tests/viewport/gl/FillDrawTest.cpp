// A fill drawn into the off-screen buffer: only what the last fill wrote is drawn, in
// the colours it wrote.
#include "mesh/gl/GLContext.h"

#include "mesh/core/Mesh.h"
#include "viewport/PBuffer.h"
#include "viewport/fill/FillBuffer.h"
#include "viewport/fill/FillSettings.h"
#include "viewport/fill/FillVariants.h"

#include <QColor>
#include <QImage>
#include <QOpenGLFramebufferObject>

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

// Three quads side by side across the view (x from -1 to 1, y from -1 to 1).
std::unique_ptr<Mesh> ThreeQuads()
{
    auto mesh = std::make_unique<Mesh>();
    mesh->m_eType = Mesh::typeQuadric;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = 3;
    mesh->m_iVertexCount = 8;
    mesh->m_pVertices.SetItemCount(8, false);
    for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 2; ++j) {
            Vertex v{};
            v.m_vPosition = General::Vector(-1.0f + float(i) * 2.0f / 3.0f, j ? 1.0f : -1.0f, 0.0f);
            v.m_aNormal[2] = 32767;
            mesh->m_pVertices[2 * i + j] = v;
        }
    for (unsigned f = 0; f < 3; ++f) {
        Quad q{};
        const unsigned corners[4] = {2 * f, 2 * f + 2, 2 * f + 3, 2 * f + 1};
        for (unsigned k = 0; k < 4; ++k)
            q.m_iIndices[k] = corners[k];
        q.m_iIndices[0] |= MeshFlags::kBit31;
        q.m_aNormal[2] = 32767;
        mesh->m_pQuads.Add(q);
    }
    return mesh;
}

}  // namespace

TEST(FillDraw, OnlyTheFacesOfTheLastFillAreDrawn)
{
    REQUIRE_GL();
    auto buffer = PBuffer::Create(90, 30, 2048);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(buffer->SetAsTarget());
    glViewport(0, 0, 90, 30);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    auto mesh = ThreeQuads();
    FillSettings settings;
    settings.m_cSelection = General::Color(1.0f, 0.0f, 0.0f, 1.0f);
    FillBuffer fill;
    // A first fill of all three quads, then the middle one is selected and the last hidden.
    fill.Prime(mesh.get(), false);
    fill.m_iEndFace = 3;
    fill.m_bColorsUsed = true;
    FillVariants::Table()[2](fill, settings);
    ASSERT_EQ(fill.m_iVertexCount, 12u);
    mesh->m_pQuads[1].m_iIndices[1] |= MeshFlags::kBit31;
    mesh->m_pQuads[2].m_iIndices[0] &= ~MeshFlags::kBit31;
    FillVariants::Table()[6](fill, settings);
    EXPECT_EQ(fill.Draw(), 2u);
    glFinish();

    const QImage picture = buffer->GetFramebuffer()->toImage().copy(0, buffer->GetBufferHeight() - 30, 90, 30);
    picture.save(QStringLiteral("fill_draw.png"));
    ASSERT_TRUE(buffer->RestoreTarget());
    EXPECT_EQ(picture.pixelColor(15, 15), QColor(204, 204, 204));
    EXPECT_EQ(picture.pixelColor(45, 15), QColor(255, 0, 0));
    // The third quad is still in the buffer's slots 8 to 11, but no longer drawn.
    EXPECT_EQ(picture.pixelColor(75, 15), QColor(0, 0, 0));
}
