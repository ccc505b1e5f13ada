// Baking an object's sculpted level onto one of its own lower levels, the first bake a
// sculptor makes: the surface met is the levels above the low one, so the relief is baked,
// as it is from the same two surfaces written as files.
#include "MappingFixtures.h"
#include "SheetFixtures.h"
#include "mapping/FileBake.h"
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/readers/Importer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using MapExtraction::MapBuffer;
using MapExtraction::Mapper;

namespace {

constexpr int kMap = 32;

// A round bump at the sheet's middle, as one stroke raises it.
float Bump(float x, float y) { return 0.05f * std::exp(-((x - 0.5f) * (x - 0.5f) + (y - 0.5f) * (y - 0.5f)) / 0.02f); }

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class OwnLevelsBake : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeMappingGlobals();
        ASSERT_TRUE(m_cDir.isValid());
        fixtures::WriteSheet(Path("low.obj"), 4, [](float, float) { return 0.0f; }, true);
        std::unique_ptr<Importer> importer(Importer::Create(Path("low.obj"), nullptr));
        ASSERT_TRUE(importer);
        m_pObject = importer->DoImport();
        ASSERT_TRUE(m_pObject);
        m_pObject->CalculateAdjacency();
        m_pObject->CalculateNormals(false);
        Scene::BuildOctrees(m_pObject);
        const bool carry = MeshSwitches::s_bCreateTCs;
        MeshSwitches::s_bCreateTCs = true;
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(m_pObject->Subdivide());
        MeshSwitches::s_bCreateTCs = carry;
        ASSERT_EQ(m_pObject->LevelCount(), 3);
    }
    // The stroke, on the finest level only (the coarser levels stay flat); on a layer of
    // that strength when asked.
    void Stroke(Layer3D *layer = nullptr, float strength = 1.0f)
    {
        SubdivLevel &top = *m_pObject->GetLevel(2);
        LayerLevel *data = nullptr;
        if (layer) {
            ASSERT_TRUE(layer->LockToLevel(&top));
            data = layer->GetLevel(&top);
            ASSERT_NE(data, nullptr);
        }
        for (unsigned v = 0; v < top.m_iVertexCount; ++v) {
            General::Vector &p = top.m_pVertices[v].m_vPosition;
            const General::Vector offset(0, 0, Bump(p.x, p.y));
            if (data)
                data->SetOffset(v, data->FindVertex(v, true), offset);
            else
                p += offset;
        }
        if (layer) {
            ASSERT_TRUE(data->Extend());
            layer->SetTransparency(strength, true, false);
        }
        top.CalculateNormals(false);
    }
    void TearDown() override { Importer::DeleteChain(m_pObject); }

    QString Path(const char *name) const { return m_cDir.filePath(QLatin1String(name)); }

    // The finest level as OBJ text with every digit of its positions.
    void WriteTop(const QString &path) const
    {
        const SubdivLevel &top = *m_pObject->GetLevel(2);
        QByteArray text;
        for (unsigned v = 0; v < top.m_iVertexCount; ++v) {
            const General::Vector &p = top.m_pVertices[v].m_vPosition;
            text += QStringLiteral("v %1 %2 %3\n").arg(double(p.x), 0, 'g', 9).arg(double(p.y), 0, 'g', 9).arg(double(p.z), 0, 'g', 9).toLatin1();
        }
        for (unsigned f = 0; f < top.m_iFaceCount; ++f) {
            text += 'f';
            for (unsigned c = 0; c < 4; ++c)
                text += ' ' + QByteArray::number(top.FaceVertexIndex(f, c) + 1);
            text += '\n';
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir m_cDir;
    Object *m_pObject = nullptr;
};

}  // namespace

TEST_F(OwnLevelsBake, AnObjectsLowerLevelTakesTheReliefOfTheLevelsAbove)
{
    Stroke();
    for (int lowLevel : {0, 1}) {
        SCOPED_TRACE(lowLevel);
        Mapper mapper;
        mapper.m_aLowMesh.SetValue(m_pObject->GetLevel(lowLevel), true);
        mapper.m_aHighMesh.SetValue(m_pObject, true);
        const QString prefix = QStringLiteral("own%1").arg(lowLevel);
        fixtures::ConfigureFloatBake(mapper, QDir(m_cDir.path()), prefix, kMap, 0.2f);
        ASSERT_TRUE(mapper.Start()) << qPrintable(mapper.m_sFailure);
        EXPECT_TRUE(mapper.m_aNotices.isEmpty()) << qPrintable(mapper.m_aNotices.join('\n'));
        MapBuffer displacement;
        displacement.Allocate(kMap, kMap, MapBuffer::typeFloat, 1);
        ASSERT_TRUE(displacement.Load(m_cDir.filePath(prefix + QStringLiteral("_disp_0001"))));
        float worst = 0.0f;
        for (unsigned y = 0; y < kMap; ++y)
            for (unsigned x = 0; x < kMap; ++x)
                worst = std::max(worst, std::fabs(displacement.GetValue(x, y, 0) -
                                                  Bump((x + 0.5f) / kMap, (y + 0.5f) / kMap)));
        // The bump's top between the texel centres, followed by flat faces a sixteenth wide.
        EXPECT_GT(mapper.m_fDisplacementMax, 0.045f);
        EXPECT_LT(worst, 5e-3f);
    }
}

// The stroke on a layer at 30 %: the map holds the layer's share of the bump.
TEST_F(OwnLevelsBake, AStrokeOnALayerBakesAtTheLayersStrength)
{
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    m_pObject->SetActiveLayer(layer);
    Stroke(layer, 0.3f);
    Mapper mapper;
    mapper.m_aLowMesh.SetValue(m_pObject, true);
    mapper.m_aHighMesh.SetValue(m_pObject, true);
    fixtures::ConfigureFloatBake(mapper, QDir(m_cDir.path()), QStringLiteral("layer"), kMap, 0.2f);
    ASSERT_TRUE(mapper.Start()) << qPrintable(mapper.m_sFailure);
    MapBuffer displacement;
    displacement.Allocate(kMap, kMap, MapBuffer::typeFloat, 1);
    ASSERT_TRUE(displacement.Load(m_cDir.filePath(QStringLiteral("layer_disp_0001"))));
    float worst = 0.0f;
    for (unsigned y = 0; y < kMap; ++y)
        for (unsigned x = 0; x < kMap; ++x)
            worst = std::max(worst, std::fabs(displacement.GetValue(x, y, 0) -
                                              0.3f * Bump((x + 0.5f) / kMap, (y + 0.5f) / kMap)));
    EXPECT_NEAR(mapper.m_fDisplacementMax, 0.3f * 0.05f, 0.3f * 5e-3f);
    EXPECT_LT(worst, 0.3f * 5e-3f);
}

TEST_F(OwnLevelsBake, TheBakeFromTheObjectWritesTheBytesOfTheBakeFromFiles)
{
    Stroke();
    Mapper own;
    own.m_aLowMesh.SetValue(m_pObject, true);
    own.m_aHighMesh.SetValue(m_pObject, true);
    fixtures::ConfigureFloatBake(own, QDir(m_cDir.path()), QStringLiteral("own"), kMap, 0.2f);
    ASSERT_TRUE(own.Start()) << qPrintable(own.m_sFailure);

    WriteTop(Path("top.obj"));
    Mapper files;
    fixtures::ConfigureFloatBake(files, QDir(m_cDir.path()), QStringLiteral("files"), kMap, 0.2f);
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(files, Path("low.obj"), Path("top.obj"), &error)) << qPrintable(error);
    for (const char *map : {"_normal_0001.tif", "_disp_0001.tif"}) {
        const QByteArray baked = Bytes(m_cDir.filePath(QStringLiteral("own") + QLatin1String(map)));
        EXPECT_FALSE(baked.isEmpty()) << map;
        EXPECT_EQ(baked, Bytes(m_cDir.filePath(QStringLiteral("files") + QLatin1String(map)))) << map;
    }
}

// The finest level has nothing above it: the run refuses before writing, and says what to do.
TEST_F(OwnLevelsBake, TheFinestLevelOfItsOwnObjectIsRefusedWithWhatToDo)
{
    Stroke();
    Mapper mapper;
    mapper.m_aLowMesh.SetValue(m_pObject->GetLevel(2), true);
    mapper.m_aHighMesh.SetValue(m_pObject, true);
    fixtures::ConfigureFloatBake(mapper, QDir(m_cDir.path()), QStringLiteral("top"), kMap, 0.2f);
    try {
        mapper.Start();
        ADD_FAILURE() << "the run was not refused";
    } catch (const General::Error &error) {
        EXPECT_TRUE(error.GetMessage().startsWith(
            QStringLiteral("The high resolution mesh is the low mesh's own object, which has no level above level 2")))
            << qPrintable(error.GetMessage());
    }
    EXPECT_TRUE(QDir(m_cDir.path()).entryList({QStringLiteral("*.tif")}).isEmpty());
}
