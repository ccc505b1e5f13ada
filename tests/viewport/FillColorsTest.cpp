// Face colours of the fills on real objects: material, locked and inactive levels,
// freeze amounts and the layer-mask display.
#include "FillFixtures.h"

#include "mesh/ObjectFixtures.h"
#include "viewport/fill/FillVariants.h"

#include <gtest/gtest.h>

#include <functional>

using namespace fillfixtures;
using General::Color;

namespace {

const Color kDiffuse(0.5f, 1.0f, 0.25f, 0.5f);
const Color kGrey(0.8f, 0.8f, 0.8f, 1.0f);

class FillColors : public testing::Test {
protected:
    void SetUp() override
    {
        m_object = fixtures::MakeGridObject(2, 1, 2);
        m_object->m_aMaterial.SetValue(&m_material);
        m_material.m_aDiffuse.SetValue(kDiffuse, true);
    }

    // The colour that fill `entry` gives quad 0 of `level` (and that all its corners carry).
    uint32_t Quad0Color(Mesh &level, unsigned entry = 2)
    {
        SetChunk(m_buffer, level, 0, 1, entry);
        FillVariants::Table()[entry](m_buffer, m_settings);
        EXPECT_EQ(m_buffer.m_iVertexCount, 4u);
        for (unsigned k = 1; k < 4; ++k)
            EXPECT_EQ(m_buffer.m_aColors.GetBuffer()[k], m_buffer.m_aColors.GetBuffer()[0]);
        return m_buffer.m_aColors.GetBuffer()[0];
    }

    fixtures::ModelFixture m_model;
    fixtures::RecordingMeshHost m_host;
    Surface::Material m_material{1};
    std::unique_ptr<Object> m_object;
    FillSettings m_settings;
    FillBuffer m_buffer;
};

}  // namespace

TEST_F(FillColors, BaseLockedAndInactiveColoursAreTakenTimesTheDiffuseColour)
{
    SubdivLevel &level0 = *m_object, &level1 = *m_object->GetLevel(1);
    m_object->m_pActiveLevel = &level1;
    const FillSettings &s = m_settings;
    struct Row {
        const char *name;
        int inactiveLevels;
        bool locked;
        Mesh *level;
        Color expected;
    } rows[] = {
        {"active level", FillSettings::inactiveShade, false, &level1, kGrey},
        {"inactive level, shaded", FillSettings::inactiveShade, false, &level0, s.m_cInactiveLevel},
        {"inactive level, not shaded", FillSettings::inactiveNone, false, &level0, kGrey},
        {"inactive level of a locked object", FillSettings::inactiveShade, true, &level0, s.m_cLocked},
        {"locked object", FillSettings::inactiveNone, true, &level1, s.m_cLocked},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        m_settings.m_iInactiveLevels = row.inactiveLevels;
        m_object->m_bLocked = row.locked;
        EXPECT_EQ(Quad0Color(*row.level), Times(row.expected, kDiffuse).Pack());
    }
}

TEST_F(FillColors, FreezeShadesAQuadAndVertexFreezeCountsOnlyWhenShown)
{
    Freeze(*m_object, 0, 102);  // 0.4
    const Color base = Times(kGrey, kDiffuse), frozen = Times(m_settings.m_cFrozen, kDiffuse);
    EXPECT_EQ(Quad0Color(*m_object), Blend(frozen, base, 102.0f / 255.0f));

    // Two corners fully frozen: 0.4 + 2 passes 1 and is held there.
    const unsigned corner0 = m_object->m_pQuads[0].m_iIndices[0] & MeshFlags::kIndexMask;
    const unsigned corner2 = m_object->m_pQuads[0].m_iIndices[2] & MeshFlags::kIndexMask;
    m_object->m_pVertices[corner0].m_cFreeze = 255;
    m_object->m_pVertices[corner2].m_cFreeze = 255;
    m_object->m_iFrozenVertices = 2;
    EXPECT_EQ(Quad0Color(*m_object), Blend(frozen, base, 102.0f / 255.0f));
    m_settings.m_bShowFrozenVertices = true;
    EXPECT_EQ(Quad0Color(*m_object), frozen.Pack());
}

TEST_F(FillColors, TheLayerMaskBlendsAfterSelectionAndFreeze)
{
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    m_object->SetActiveLayer(layer);
    Select(*m_object, 0);
    Freeze(*m_object, 0, 255);
    const unsigned corner0 = m_object->m_pQuads[0].m_iIndices[0] & MeshFlags::kIndexMask;
    const Color selection = Times(m_settings.m_cSelection, kDiffuse), layerColor = Times(m_settings.m_cLayerMask, kDiffuse);
    struct Row {
        bool show;
        uint8_t mask;
        uint32_t expected;
    } rows[] = {
        {false, 0, selection.Pack()},  // a selected face ignores its freeze amount
        {true, 255, selection.Pack()},
        {true, 0, layerColor.Pack()},
        {true, 51, Blend(selection, layerColor, 51.0f / 255.0f)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "shown " << row.show << ", mask " << int(row.mask));
        m_settings.m_bShowLayerMask = row.show;
        m_object->m_pVertices[corner0].m_cMask = row.mask;
        EXPECT_EQ(Quad0Color(*m_object), row.expected);
    }
    // Without an active layer the display changes nothing.
    m_object->SetActiveLayer(nullptr);
    m_object->m_pVertices[corner0].m_cMask = 0;
    EXPECT_EQ(Quad0Color(*m_object), selection.Pack());
}

TEST_F(FillColors, SmoothFillsWriteTextureCoordinatesOnlyForATexturedMaterial)
{
    FillBuffer &b = m_buffer;
    for (unsigned entry : {0u, 1u})
        EXPECT_FALSE((Quad0Color(*m_object, entry | 2), b.m_bHasTexCoords)) << entry;
    m_material.m_aDiffuseTexture.SetValue(QStringLiteral("skin0000.png"));
    ASSERT_FALSE(m_material.GetTilePattern(0).isEmpty());
    EXPECT_FALSE((Quad0Color(*m_object, 2), b.m_bHasTexCoords));
    Quad0Color(*m_object, 3);
    EXPECT_TRUE(b.m_bHasTexCoords);
    const unsigned tc = unsigned(m_object->m_pQuads[0].m_iTCI[2]);
    EXPECT_EQ(b.m_aTexCoords.GetBuffer()[2].u, m_object->m_pTCs[tc].u);
    EXPECT_EQ(b.m_aTexCoords.GetBuffer()[2].v, m_object->m_pTCs[tc].v);
}
