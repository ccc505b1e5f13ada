#include "SubdivisionFixtures.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstring>

using namespace SubdivisionFixtures;

namespace {

struct Record {
    Vector position;
    int32_t stamp;
    Vector cc;
};
static_assert(sizeof(Record) == 28);

std::vector<Record> ReadRecords(const QString &path)
{
    const QByteArray bytes = TempDir::Read(path);
    std::vector<Record> records(size_t(bytes.size()) / sizeof(Record));
    std::memcpy(records.data(), bytes.constData(), records.size() * sizeof(Record));
    return records;
}

class ApplyLayerSwapTest : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_base = MakeJitteredCube();
        AddLevel(*m_base);
        m_level = &AddLevel(*m_base);
        // The children of two parents go to the swap files with their inner vertices.
        General::Store<unsigned int> list("test list");
        for (unsigned f : {0u, 1u, 2u, 3u, 40u, 41u, 42u, 43u})
            list.Add(f);
        ASSERT_TRUE(m_level->RemoveFaces(list, false));
        m_path = LevelSwapFiles::Path(m_level->GetSwapFileName(), LevelSwapFiles::kVertices);
        m_records = ReadRecords(m_path);
        ASSERT_FALSE(m_records.empty());
        // A layer moving every vertex of the level, held or swapped, by (0.5, 0, 0.25).
        m_layer = std::make_unique<LayerLevel>(m_level, nullptr, 1.0f);
        ASSERT_TRUE(m_layer->SetVertexCount(m_level->m_iGlobalVertexBound));
        for (unsigned g = 0; g < m_level->m_iGlobalVertexBound; ++g) {
            m_layer->SetVertex(g, int(g), 1.0f);
            m_layer->m_aData[g].m_vOffset = Vector(0.5f, 0, 0.25f);
        }
        for (unsigned v = 0; v < m_level->m_iVertexCount; ++v)
            m_positions.push_back(m_level->m_pVertices[v].m_vPosition);
    }

    TempDir m_dir;
    std::unique_ptr<SubdivLevel> m_base;
    SubdivLevel *m_level = nullptr;
    std::unique_ptr<LayerLevel> m_layer;
    QString m_path;
    std::vector<Record> m_records;
    std::vector<Vector> m_positions;
};

}  // namespace

TEST_F(ApplyLayerSwapTest, SwappedAndHeldVerticesMoveAndComeBack)
{
    m_level->ApplyLayer(m_layer.get(), 1.0f);
    std::vector<Record> moved = ReadRecords(m_path);
    ASSERT_EQ(moved.size(), m_records.size());
    for (size_t r = 0; r < moved.size(); ++r) {
        EXPECT_LT((moved[r].position - m_records[r].position - Vector(0.5f, 0, 0.25f)).Length(), 1e-5f) << r;
        EXPECT_EQ(moved[r].stamp, int32_t(m_level->m_iPropagationStamp));
        EXPECT_EQ(moved[r].cc, m_records[r].cc);
    }
    for (unsigned v = 0; v < m_level->m_iVertexCount; ++v)
        EXPECT_LT((m_level->m_pVertices[v].m_vPosition - m_positions[v] - Vector(0.5f, 0, 0.25f)).Length(), 1e-5f);

    m_level->ApplyLayer(m_layer.get(), -1.0f);
    moved = ReadRecords(m_path);
    for (size_t r = 0; r < moved.size(); ++r)
        EXPECT_LT((moved[r].position - m_records[r].position).Length(), 1e-5f) << r;
    EXPECT_FALSE(QFile::exists(m_path + ".new"));
}

TEST_F(ApplyLayerSwapTest, ASwapFileThatCannotBeRewrittenStaysAsItWas)
{
    // The new copy cannot be made where a folder of its name stands.
    ASSERT_TRUE(QDir().mkpath(m_path + ".new"));
    const QByteArray before = TempDir::Read(m_path);
    m_level->ApplyLayer(m_layer.get(), 1.0f);
    EXPECT_EQ(TempDir::Read(m_path), before);
    for (unsigned v = 0; v < m_level->m_iVertexCount; ++v)
        EXPECT_EQ(m_level->m_pVertices[v].m_vPosition, m_positions[v]);
    ASSERT_EQ(Recorder().statusStates.size(), 1u);
    EXPECT_EQ(Recorder().statusStates[0], 2);
    EXPECT_TRUE(Recorder().LogContains("Layer offsets could not be written"));
}
