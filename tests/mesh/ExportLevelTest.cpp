// Level export of partial levels, as written and regenerated from the level below.
#include "ObjectFixtures.h"
#include "SubdivisionFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

using General::Vector;

// A level file that keeps what it was given.
class RecordingLevelFile : public LevelFile {
public:
    RecordingLevelFile() : LevelFile(QStringLiteral("memory")) {}
    void BeginGroup(const char *name, int level, int type, int faceCount, int vertexCount, int tcCount) override
    {
        m_sName = name;
        m_iFaces = faceCount;
        m_iVertices = vertexCount;
        m_iTCs = tcCount;
    }
    void WriteVertex(const float *xyz) override { m_aPositions.emplace_back(xyz[0], xyz[1], xyz[2]); }
    void WriteTexCoord(const float *) override {}
    void WriteFace(const General::Store<int> &indices, const General::Store<int> *) override
    {
        m_aFaces.emplace_back(indices.begin(), indices.end());
    }
    bool ReadObject(QString &, int &, int &, int &, int &, int &) override { return false; }
    bool IsOpen() const override { return true; }
    bool HasError() const override { return false; }

    QString m_sName;
    int m_iFaces = -1, m_iVertices = -1, m_iTCs = -1;
    std::vector<Vector> m_aPositions;
    std::vector<std::vector<int>> m_aFaces;
};

QByteArray Image(SubdivLevel &level)
{
    QByteArray bytes;
    auto add = [&](const void *data, size_t size) { bytes.append(static_cast<const char *>(data), qsizetype(size)); };
    add(level.m_pQuads.begin(), level.m_iFaceCount * sizeof(Quad));
    add(level.m_pVertices.begin(), level.m_iVertexCount * sizeof(Vertex));
    level.m_aFaceMap.Sort(General::Map::kByFirst);
    level.m_aVertexMap.Sort(General::Map::kByFirst);
    add(level.m_aFaceMap.begin(), level.m_aFaceMap.GetItemCount() * 8);
    add(level.m_aVertexMap.begin(), level.m_aVertexMap.GetItemCount() * 8);
    const uint32_t counts[] = {level.m_iFaceCount, level.m_iVertexCount, level.m_iTotalFaceCount,
                               level.m_iHiddenFaces, level.m_bFull};
    add(counts, sizeof(counts));
    return bytes;
}

class ExportLevel : public testing::Test {
protected:
    void SetUp() override
    {
        m_object = SubdivisionFixtures::MakeObject(*SubdivisionFixtures::MakeJitteredCube());
        // Level 1 holds the children of faces 1 and 4 only.
        for (unsigned f : {1u, 4u})
            LevelBits::SetSelected(m_object->m_pQuads[f], true);
        m_object->m_iSelectedFaces = 2;
        ASSERT_TRUE(m_object->Subdivide());
        m_pOne = m_object->GetLevel(1);
        ASSERT_FALSE(m_pOne->m_bFull);
        ASSERT_EQ(m_pOne->m_iFaceCount, 8u);
    }

    fixtures::ModelFixture m_model;
    fixtures::RecordingMeshHost m_host;
    std::unique_ptr<Object> m_object;
    SubdivLevel *m_pOne = nullptr;
};

TEST_F(ExportLevel, APartialLevelWritesTheFacesItHasAndStaysAsItWas)
{
    const QByteArray zero = Image(*m_object), one = Image(*m_pOne);
    RecordingLevelFile file;
    int32_t vertexOffset = 0, tcOffset = 0;
    ASSERT_TRUE(m_pOne->ExportLevel(&file, &vertexOffset, &tcOffset, false, false, 1.0f));
    EXPECT_EQ(file.m_iFaces, 8);
    EXPECT_EQ(file.m_aFaces.size(), 8u);
    EXPECT_EQ(file.m_iVertices, int(file.m_aPositions.size()));
    EXPECT_EQ(vertexOffset, file.m_iVertices);
    EXPECT_EQ(Image(*m_object), zero);
    EXPECT_EQ(Image(*m_pOne), one);
}

TEST_F(ExportLevel, RegeneratingMakesTheMissingFacesFromTheLevelBelowAndPutsThemAway)
{
    const QByteArray zero = Image(*m_object), one = Image(*m_pOne);
    RecordingLevelFile file;
    int32_t vertexOffset = 0, tcOffset = 0;
    ASSERT_TRUE(m_pOne->ExportLevel(&file, &vertexOffset, &tcOffset, true, false, 1.0f));
    // The whole level: 24 faces on the 26 vertices of a subdivided cube, each face once.
    EXPECT_EQ(file.m_iFaces, 24);
    ASSERT_EQ(file.m_aFaces.size(), 24u);
    EXPECT_EQ(file.m_iVertices, 26);
    std::set<std::vector<int>> distinct;
    for (std::vector<int> face : file.m_aFaces) {
        for (int index : face) {
            EXPECT_GE(index, 1);
            EXPECT_LE(index, 26);
        }
        std::sort(face.begin(), face.end());
        distinct.insert(face);
    }
    EXPECT_EQ(distinct.size(), 24u);
    EXPECT_EQ(Image(*m_object), zero);
    EXPECT_EQ(Image(*m_pOne), one);
}

}  // namespace
