#include "mapping/FileBake.h"
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "SheetFixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using MapExtraction::MapBuffer;
using MapExtraction::Mapper;

namespace {

using fixtures::Wave;
using fixtures::WriteSheet;

class FileBakeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeMappingGlobals();
        ASSERT_TRUE(m_cDir.isValid());
        WriteSheet(m_cDir.filePath(QStringLiteral("low.obj")), 4, [](float, float) { return 0.0f; }, true);
        WriteSheet(m_cDir.filePath(QStringLiteral("high.obj")), 80, Wave, false);
        m_cMapper.m_aMapWidth.SetValue(32, true);
        m_cMapper.m_aMapHeight.SetValue(32, true);
        m_cMapper.m_aSearchDistance.SetValue(0.3f, true);
        m_cMapper.m_aNormalMapFormat.SetValue(2, true);
        m_cMapper.m_aDisplacementMapFormat.SetValue(MapExtraction::mapBWFloat, true);
        m_cMapper.m_aCreateNormalMap.SetValue(true, true);
        m_cMapper.m_aCreateDisplacementMap.SetValue(true, true);
        m_cMapper.m_aNormalMapFilename.SetValue(m_cDir.filePath(QStringLiteral("n")), true);
        m_cMapper.m_aDisplacementMapFilename.SetValue(m_cDir.filePath(QStringLiteral("d")), true);
    }

    QTemporaryDir m_cDir;
    Mapper m_cMapper;
};

}  // namespace

TEST_F(FileBakeTest, BakesTheHighFileOntoTheLowFile)
{
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(m_cMapper, m_cDir.filePath(QStringLiteral("low.obj")),
                                             m_cDir.filePath(QStringLiteral("high.obj")), &error))
        << qPrintable(error);
    MapBuffer displacement;
    displacement.Allocate(32, 32, MapBuffer::typeFloat, 1);
    ASSERT_TRUE(displacement.Load(m_cDir.filePath(QStringLiteral("d"))));
    float worst = 0;
    for (unsigned y = 0; y < 32; ++y)
        for (unsigned x = 0; x < 32; ++x)
            worst = std::max(worst, std::fabs(displacement.GetValue(x, y, 0) - Wave((x + 0.5f) / 32, (y + 0.5f) / 32)));
    EXPECT_LT(worst, 1e-3f);
    EXPECT_EQ(m_cMapper.m_aLowMesh.GetValue(), nullptr);
}

TEST_F(FileBakeTest, UnreadableFilesFailWithAReason)
{
    const QString low = m_cDir.filePath(QStringLiteral("low.obj"));
    QFile broken(m_cDir.filePath(QStringLiteral("broken.obj")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("v 0 0 0\nv 1 0 0\nf 1 2 7\n");
    broken.close();
    const struct {
        QString low, high;
    } cases[] = {
        {m_cDir.filePath(QStringLiteral("missing.obj")), low},
        {low, m_cDir.filePath(QStringLiteral("missing.obj"))},
        {low, broken.fileName()},
        {low, m_cDir.filePath(QStringLiteral("high.xyz"))},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(MapExtraction::BakeFromFiles(m_cMapper, c.low, c.high, &error)) << qPrintable(c.high);
        EXPECT_FALSE(error.isEmpty()) << qPrintable(c.high);
    }
}
