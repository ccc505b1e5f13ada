#include "mapping/Info.h"
#include "MappingFixtures.h"

#include <gtest/gtest.h>

#include <limits>

using fixtures::UVQuad;
using MapExtraction::Info;

namespace {

QString CheckError(Info &info)
{
    try {
        info.CheckLowResMesh();
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetCode(), 1);
        return error.GetMessage();
    }
    return QString();
}

}  // namespace

TEST(MapTiles, TheTileRangeFollowsTheTextureCoordinates)
{
    struct Case {
        const char *name;
        std::vector<UVQuad> rects;
        int uStart, uEnd, vStart, vEnd;
    };
    const Case cases[] = {
        {"unit square", {{0, 0, 1, 1}}, 0, 1, 0, 1},
        {"three columns", {{0.2f, 0.1f, 2.7f, 0.9f}}, 0, 3, 0, 1},
        {"left of zero", {{-0.5f, 0, 0.5f, 1}}, -1, 1, 0, 1},
        {"start never above zero", {{1.2f, 0, 1.8f, 1}}, 0, 2, 0, 1},
        {"two rows", {{0, 0, 1, 1}, {0, 1, 1, 2}}, 0, 1, 0, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto low = fixtures::LevelWithUVs(c.rects);
        Info info;
        info.m_aLowMesh.SetValue(low.get());
        EXPECT_EQ(CheckError(info), QString());
        EXPECT_EQ(info.m_iUStart, c.uStart);
        EXPECT_EQ(info.m_iUEnd, c.uEnd);
        EXPECT_EQ(info.m_iVStart, c.vStart);
        EXPECT_EQ(info.m_iVEnd, c.vEnd);
        // Tiles per row grow to the columns in use, never shrink.
        EXPECT_EQ(info.m_aURange.GetValue(), std::max(1, c.uEnd - c.uStart));
    }
    auto low = fixtures::LevelWithUVs({{0, 0, 1, 1}});
    Info info;
    info.m_aLowMesh.SetValue(low.get());
    info.m_aURange.SetValue(10);
    info.CheckLowResMesh();
    EXPECT_EQ(info.m_aURange.GetValue(), 10);
}

TEST(MapTiles, UnusableLowMeshesAreRefusedWithTheirReason)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char *name;
        std::vector<UVQuad> rects;
        enum { kAsMade, kNoCoordinates, kIndex } change;
        int32_t index;  // given to corner 1 of face 0 with kIndex
        const char *message;
    };
    const Case cases[] = {
        {"constant u", {{0.5f, 0, 0.5f, 1}}, Case::kAsMade, 0, "Texture coordinates are invalid"},
        {"constant v", {{0, 0.3f, 1, 0.3f}}, Case::kAsMade, 0, "Texture coordinates are invalid"},
        {"not a number", {{0, 0, nan, 1}}, Case::kAsMade, 0, "Texture coordinates are invalid"},
        {"far out", {{0, 0, 3e9f, 1}}, Case::kAsMade, 0, "Texture coordinates are invalid"},
        {"no coordinates", {{0, 0, 1, 1}}, Case::kNoCoordinates, 0, "Texture coordinates are invalid"},
        {"index past the end", {{0, 0, 1, 1}}, Case::kIndex, 4, "Invalid texture coordinates on lowresh mesh"},
        {"negative index", {{0, 0, 1, 1}}, Case::kIndex, -1, "Invalid texture coordinates on lowresh mesh"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto low = fixtures::LevelWithUVs(c.rects);
        if (c.change == Case::kNoCoordinates)
            low->m_iTCCount = 0;
        else if (c.change == Case::kIndex)
            low->m_pQuads[0].m_iTCI[1] = c.index;
        Info info;
        info.m_aLowMesh.SetValue(low.get());
        EXPECT_EQ(CheckError(info), QString::fromLatin1(c.message));
    }
    Info info;
    EXPECT_EQ(CheckError(info), QStringLiteral("Lowres mesh is not specified"));
}

TEST(MapTiles, MasksNameEachTile)
{
    auto low = fixtures::LevelWithUVs({{0, 0, 1, 1}});
    Info info;
    info.m_aLowMesh.SetValue(low.get());
    info.m_aUStart.SetValue(1001);
    info.CheckLowResMesh();
    EXPECT_EQ(info.GetMapIdentifier(), 1001);
    EXPECT_EQ(info.GetMapFileName(QStringLiteral("normal_dim%u_%i"), false), QStringLiteral("normal_dim1_1001"));

    // Identifiers count along rows of URange tiles from the first tile.
    info.m_iUStart = -1;
    info.m_iUEnd = 2;
    info.m_iVStart = 0;
    info.m_iVEnd = 2;
    info.m_aURange.SetValue(3);
    info.m_aUStart.SetValue(1);
    info.m_iTileU = 0;
    info.m_iTileV = 1;
    info.m_fDisplacementMin = -2.0f;
    info.m_fDisplacementMax = 0.125f;
    struct Case {
        const char *mask;
        bool withRange;
        const char *name;
    };
    const Case cases[] = {
        {"plain", false, "plain"},
        {"map_%x_%y_%i", false, "map_0_1_0005"},
        {"%u x %v", false, "3 x 2"},
        {"disp%g_%f", false, "disp_"},
        {"disp%g_%f", true, "disp-2_0.125"},
        {"%i%i", true, "00050005"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(info.GetMapFileName(QString::fromLatin1(c.mask), c.withRange), QString::fromLatin1(c.name)) << c.mask;
    info.m_aUStart.SetValue(12340);
    EXPECT_EQ(info.GetMapFileName(QStringLiteral("%i"), false), QStringLiteral("12344"));
    info.m_aUStart.SetValue(3);
    info.m_iTileV = 0;
    info.m_iTileU = 2;
    EXPECT_EQ(info.GetMapFileName(QStringLiteral("%i"), false), QStringLiteral("0006"));
}
