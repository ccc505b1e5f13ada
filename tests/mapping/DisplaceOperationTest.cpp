// The displacement operation: a baked float map applied back reproduces the high surface,
// masks, tiles and the tile list, sampling of small maps, the record in the stream, one
// undo, and deletion during the run's event processing.
#include "SheetFixtures.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mapping/FileBake.h"
#include "mapping/MapBuffer.h"
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "mapping/displacement/DisplaceRecord.h"
#include "mapping/displacement/FloatMap.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Layer3D.h"
#include "scene/Scene.h"
#include "scene/readers/Importer.h"
#include "support/RecordingShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

using Displacement::DisplaceOperation;
using Displacement::FloatMap;

namespace {

QByteArray Image(const SubdivLevel &level)
{
    return QByteArray(reinterpret_cast<const char *>(level.m_pVertices.begin()),
                      qsizetype(level.m_iVertexCount * sizeof(Vertex)));
}

// A float map of one channel as the bake writes it: `path` without its ".tif".
void WriteFloatMap(const QString &path, unsigned size, float (*value)(float, float))
{
    MapExtraction::MapBuffer map;
    map.Allocate(size, size, MapExtraction::MapBuffer::typeFloat, 1);
    for (unsigned y = 0; y < size; ++y)
        for (unsigned x = 0; x < size; ++x)
            map.SetValue(x, y, 0, value((x + 0.5f) / size, (y + 0.5f) / size), 0.0f, 1.0f);
    ASSERT_TRUE(map.Save(path, false, MapExtraction::fileTIF));
}

class DisplaceOperationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeMappingGlobals();
        ASSERT_TRUE(m_cDir.isValid());
    }
    void TearDown() override
    {
        m_pOperation.reset();
        // A scene deletes the objects it holds.
        if (m_pScene)
            m_pScene.reset();
        else
            Importer::DeleteChain(m_pObject);
    }

    // An imported sheet over the unit square, subdivided `levels` times.
    Object *Sheet(unsigned n, int levels, float width = 1.0f)
    {
        const QString file = m_cDir.filePath(QStringLiteral("sheet.obj"));
        fixtures::WriteSheet(file, n, [](float, float) { return 0.0f; }, true, width);
        std::unique_ptr<Importer> importer(Importer::Create(file, nullptr));
        m_pObject = importer ? importer->DoImport() : nullptr;
        if (!m_pObject)
            return nullptr;
        m_pObject->CalculateAdjacency();
        m_pObject->CalculateNormals(false);
        Scene::BuildOctrees(m_pObject);
        const bool carry = MeshSwitches::s_bCreateTCs;
        MeshSwitches::s_bCreateTCs = true;
        for (int i = 0; i < levels; ++i)
            EXPECT_TRUE(m_pObject->Subdivide());
        MeshSwitches::s_bCreateTCs = carry;
        return m_pObject;
    }
    // The objects of an OBJ text written to `name`; null (and a failure) when none.
    Object *Import(const char *name, const char *text)
    {
        QFile file(m_cDir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        std::unique_ptr<Importer> importer(Importer::Create(file.fileName(), nullptr));
        Object *object = importer ? importer->DoImport() : nullptr;
        EXPECT_TRUE(object) << name;
        return object;
    }
    DisplaceOperation &Operation(Object *target)
    {
        m_pOperation = std::make_unique<DisplaceOperation>();
        m_pOperation->m_aTargetMesh.SetValue(target);
        return *m_pOperation;
    }
    SubdivLevel &Active() const { return m_pObject->m_pActiveLevel ? *m_pObject->m_pActiveLevel : *m_pObject; }

    QTemporaryDir m_cDir;
    Object *m_pObject = nullptr;
    std::unique_ptr<DisplaceOperation> m_pOperation;
    std::unique_ptr<Scene> m_pScene;
};

float Wave(float x, float y) { return fixtures::Wave(x, y); }

}  // namespace

TEST_F(DisplaceOperationTest, ABakedFloatMapAppliedBackGivesTheHighSurface)
{
    fixtures::WriteSheet(m_cDir.filePath(QStringLiteral("low.obj")), 4, [](float, float) { return 0.0f; }, true);
    fixtures::WriteSheet(m_cDir.filePath(QStringLiteral("high.obj")), 80, fixtures::Wave, false);
    MapExtraction::Mapper mapper;
    mapper.m_aMapWidth.SetValue(64, true);
    mapper.m_aMapHeight.SetValue(64, true);
    mapper.m_aSearchDistance.SetValue(0.3f, true);
    mapper.m_aCreateNormalMap.SetValue(false, true);
    mapper.m_aDisplacementMapFormat.SetValue(MapExtraction::mapBWFloat, true);
    mapper.m_aDisplacementMapFilename.SetValue(m_cDir.filePath(QStringLiteral("map_0001")), true);
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(mapper, m_cDir.filePath(QStringLiteral("low.obj")),
                                             m_cDir.filePath(QStringLiteral("high.obj")), &error))
        << qPrintable(error);

    // The low mesh has its levels already: the current one is displaced as it is.
    Object *object = Sheet(4, 2);
    ASSERT_TRUE(object);
    ASSERT_EQ(object->LevelCount(), 3);
    DisplaceOperation &operation = Operation(object);
    EXPECT_EQ(operation.m_aDisplaceToLevel.GetValue(), 2);
    operation.m_aInitialTile.SetValue(1);
    operation.m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("map_0001.tif")));
    EXPECT_TRUE(operation.IsFloatMap());
    operation.m_aStart.SetValue(1);
    ASSERT_EQ(object->LayerCount(), 1);
    EXPECT_EQ(object->GetFirstLayer()->GetName(), QStringLiteral("Displacement"));
    const SubdivLevel &level = Active();
    float worst = 0.0f;
    for (unsigned v = 0; v < level.m_iVertexCount; ++v) {
        const General::Vector p = level.m_pVertices[v].m_vPosition;
        worst = std::max(worst, std::fabs(p.z - Wave(p.x, p.y)));
    }
    // Within 1% of the surface's amplitude, 0.04.
    EXPECT_LT(worst, 4e-4f);
}

TEST_F(DisplaceOperationTest, AFirstTileFileBecomesTheMaskAndEachTileLoadsItsOwnMap)
{
    Object *object = Sheet(2, 1, 2.0f);
    ASSERT_TRUE(object);
    WriteFloatMap(m_cDir.filePath(QStringLiteral("map_0001")), 4, [](float, float) { return 0.25f; });
    WriteFloatMap(m_cDir.filePath(QStringLiteral("map_0012")), 4, [](float, float) { return 0.5f; });
    DisplaceOperation &operation = Operation(object);
    operation.m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("map_0001.tif")));
    EXPECT_EQ(operation.m_aDisplacementMap.GetValue(), m_cDir.filePath(QStringLiteral("map_%i.tif")));
    EXPECT_TRUE(operation.IsFloatMap());
    EXPECT_TRUE(operation.m_aDisplacementMinimum.IsReadOnly());
    EXPECT_EQ(operation.ExpandMask(operation.m_aDisplacementMap.GetValue(), 12, 1, 0),
              m_cDir.filePath(QStringLiteral("map_0012.tif")));
    // Tiles 11 and 12 side by side: 11 has no map and is skipped, 12 loads map_0012.tif.
    operation.m_aInitialTile.SetValue(11);
    Recorder().Clear();
    operation.m_aStart.SetValue(1);
    // The loader's own lines may stand between a "Loading" line and its outcome.
    const QString log = Recorder().log;
    const qsizetype eleven = log.indexOf(QStringLiteral("map_0011.tif for dislacement map"));
    const qsizetype twelve = log.indexOf(QStringLiteral("map_0012.tif for dislacement map"));
    ASSERT_TRUE(eleven >= 0 && twelve > eleven) << qPrintable(log);
    EXPECT_TRUE(log.mid(eleven, twelve - eleven).contains(QStringLiteral(" - map not found, skipping\n")));
    EXPECT_TRUE(log.mid(twelve).contains(QStringLiteral(" - OK\n")));
    const SubdivLevel &level = Active();
    for (unsigned v = 0; v < level.m_iVertexCount; ++v) {
        const General::Vector p = level.m_pVertices[v].m_vPosition;
        // The right tile rises by 0.5, with the shared border column: tile 11, which has
        // no map, leaves its vertices to the next tile.
        EXPECT_FLOAT_EQ(p.z, p.x > 0.999f ? 0.5f : 0.0f) << p.x << ' ' << p.y;
    }
}

TEST_F(DisplaceOperationTest, ZeroSamplesRecordNothingAndOneUndoRestoresTheLevelBitForBit)
{
    Object *object = Sheet(3, 1);
    ASSERT_TRUE(object);
    WriteFloatMap(m_cDir.filePath(QStringLiteral("zero_0001")), 8, [](float, float) { return 0.0f; });
    DisplaceOperation &operation = Operation(object);
    operation.m_aInitialTile.SetValue(1);
    operation.m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("zero_0001.tif")));
    operation.m_aStart.SetValue(1);
    ASSERT_EQ(object->LayerCount(), 1);
    EXPECT_EQ(object->GetFirstLayer()->GetLevel(&Active())->m_aData.GetItemCount(), 0u);

    WriteFloatMap(m_cDir.filePath(QStringLiteral("wave_0001")), 16, [](float x, float y) { return 1.0f + x * y; });
    m_pScene = std::make_unique<Scene>();
    m_pScene->AddObject(object);
    const QByteArray before = Image(Active());
    operation.m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("wave_0001.tif")));
    operation.m_aStart.SetValue(1);
    ASSERT_EQ(object->LayerCount(), 2);
    const QByteArray after = Image(Active());
    ASSERT_NE(after, before);

    // The record as undo reads it back from the history file, which names the object by its
    // place in the scene.
    const QString path = m_cDir.filePath(QStringLiteral("undo"));
    {
        Stream out(path, true);
        ASSERT_TRUE(out.IsOpen());
        operation.LastRecord()->Serialize(out);
        ASSERT_FALSE(out.HasError());
    }
    Displacement::DisplaceRecord undo;
    {
        Stream in(path, false);
        undo.Serialize(in);
        ASSERT_FALSE(in.HasError());
    }
    ASSERT_TRUE(undo.Execute());
    EXPECT_EQ(Image(Active()), before);
    EXPECT_EQ(object->LayerCount(), 1);
    ASSERT_TRUE(undo.Execute());
    EXPECT_EQ(Image(Active()), after);
    ASSERT_EQ(object->LayerCount(), 2);
    EXPECT_EQ(object->GetLayerByIndex(1)->GetName(), QStringLiteral("Displacement"));
    EXPECT_GT(object->GetLayerByIndex(1)->GetLevel(&Active())->m_aData.GetItemCount(), 0u);
}

TEST_F(DisplaceOperationTest, TheTileListFollowsTheRangeText)
{
    // Texture space 4 tiles wide and 5 high: one quad with those coordinates.
    m_pObject = Import("grid.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 4 0\nvt 4 5\nvt 0 5\nf 1/1 2/2 3/3 4/4\n");
    ASSERT_TRUE(m_pObject);
    DisplaceOperation &operation = Operation(m_pObject);
    operation.m_aInitialTile.SetValue(1);
    auto tiles = [&](const char *range, int urange = 4) {
        operation.m_aURange.SetValue(urange);
        operation.m_aTileRange.SetValue(QString::fromLatin1(range));
        operation.BuildTileList();
        QString text;
        for (const Displacement::Tile &tile : operation.GetTiles())
            text += QStringLiteral("%1%2 ").arg(tile.m_iNumber).arg(tile.m_bExcluded ? "x" : "");
        return text.trimmed();
    };
    EXPECT_EQ(tiles("6-13,17"), "6 7 8 9 10 11 12 13 17 1x 2x 3x 4x 5x 14x 15x 16x 18x 19x 20x");
    EXPECT_EQ(tiles("13-6"), "13 1x 2x 3x 4x 5x 6x 7x 8x 9x 10x 11x 12x 14x 15x 16x 17x 18x 19x 20x");
    // Numbers past the grid neither overflow nor list tiles that do not exist.
    EXPECT_EQ(tiles("0-4000000000"), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20");
    EXPECT_EQ(tiles("99999999999999999999,3"), "3 1x 2x 4x 5x 6x 7x 8x 9x 10x 11x 12x 13x 14x 15x 16x 17x 18x 19x 20x");
    // A row of no tiles becomes the texture space's own width.
    EXPECT_EQ(tiles("", 0), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20");
    EXPECT_EQ(operation.m_aURange.GetValue(), 4);
    EXPECT_EQ(operation.GetRows(), 5);
    EXPECT_EQ(operation.ExpandMask(QStringLiteral("m_%u_%v_%i_%x_%y"), 7, 2, 1), QStringLiteral("m_4_5_0007_2_1"));
}

TEST_F(DisplaceOperationTest, SmallMapsAreSampledWithinTheirTexels)
{
    const struct {
        unsigned width, height;
        std::vector<float> values;
        float u, v, expected;
    } cases[] = {
        {1, 1, {0.75f}, 0.9f, 0.1f, 0.75f},
        {1, 2, {0.0f, 1.0f}, 0.3f, 0.5f, 0.5f},
        {2, 1, {0.0f, 1.0f}, 0.25f, 0.9f, 0.0f},
        {2, 2, {0.0f, 1.0f, 2.0f, 3.0f}, 0.5f, 0.5f, 1.5f},
        {0, 0, {}, 0.5f, 0.5f, 0.0f},
    };
    for (const auto &c : cases) {
        General::Store<float> values("test values");
        for (float value : c.values)
            values.Add(value);
        FloatMap map;
        map.Set(c.width, c.height, values);
        EXPECT_FLOAT_EQ(map.Sample(c.u, c.v), c.expected) << c.width << 'x' << c.height;
    }
}

// The panel closes each group of rows with a line: after the name, the target, the map, the mask.
TEST_F(DisplaceOperationTest, LinesCloseTheGroupsOfItsPanel)
{
    DisplaceOperation &operation = Operation(nullptr);
    QStringList closing;
    for (int i = operation.GetAttributeCount() - 1; i >= 0; --i)
        if (operation.GetAttribute(i)->HasSeparator())
            closing << operation.GetAttribute(i)->GetName();
    EXPECT_EQ(closing, QStringList({QStringLiteral("Node Name"), QStringLiteral("Final Face Count"),
                                    QStringLiteral("Use Displacement Channel"), QStringLiteral("Use Mask Channel")}));
}

TEST_F(DisplaceOperationTest, TheRecordKeepsTheRangeWithTheFloatFlag)
{
    WriteFloatMap(m_cDir.filePath(QStringLiteral("f_0001")), 4, [](float, float) { return 1.0f; });
    DisplaceOperation &stored = Operation(nullptr);
    stored.m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("f_0001.tif")));
    stored.m_aDisplacementMinimum.SetValue(-2.0f);
    stored.m_aDisplacementMaximum.SetValue(3.0f);
    stored.m_aDisplacementChannel.SetValue(DisplaceOperation::kGreen);
    stored.m_aTileRange.SetValue(QStringLiteral("1-4"));
    const QString path = m_cDir.filePath(QStringLiteral("record"));
    {
        Stream out(path, true);
        ASSERT_TRUE(stored.Serialize(out));
    }
    DisplaceOperation loaded;
    {
        Stream in(path, false);
        ASSERT_TRUE(loaded.Serialize(in));
    }
    EXPECT_EQ(loaded.m_aDisplacementMap.GetValue(), stored.m_aDisplacementMap.GetValue());
    EXPECT_EQ(loaded.m_aTileRange.GetValue(), QStringLiteral("1-4"));
    EXPECT_EQ(loaded.m_aDisplacementMinimum.GetValue(), -2.0f);
    EXPECT_EQ(loaded.m_aDisplacementMaximum.GetValue(), 3.0f);
    EXPECT_EQ(loaded.m_aDisplacementChannel.GetValue(), int(DisplaceOperation::kGreen));
    // The mask names no file, yet the flag of the probed first-tile file comes back with it.
    EXPECT_TRUE(loaded.IsFloatMap());
    EXPECT_TRUE(loaded.m_aDisplacementMinimum.IsReadOnly());
}

TEST_F(DisplaceOperationTest, DeletingTheOperationDuringItsRunWaitsForTheRun)
{
    Object *object = Sheet(8, 1);
    ASSERT_TRUE(object);
    WriteFloatMap(m_cDir.filePath(QStringLiteral("m_0001")), 4, [](float, float) { return 0.125f; });
    // The events the run processes press "Delete Operation".
    class DeletingShell : public RecordingShell {
    public:
        void ProcessEvents() override
        {
            if (operation && !pressed) {
                pressed = true;
                operation->m_aDelete.SetValue(1);
            }
        }
        DisplaceOperation *operation = nullptr;
        bool pressed = false;
    } shell;
    auto *operation = new DisplaceOperation;
    operation->m_aTargetMesh.SetValue(object);
    operation->m_aInitialTile.SetValue(1);
    operation->m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("m_0001.tif")));
    shell.operation = operation;
    General::InstallShell(&shell);
    operation->m_aStart.SetValue(1);
    General::InstallShell(&Recorder());
    EXPECT_TRUE(shell.pressed);
    // The run finished its layer, then the node went.
    EXPECT_EQ(object->LayerCount(), 1);
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
        EXPECT_NE(node->GetTypeInfo(), &DisplaceOperation::s_typeInfo);
}

TEST_F(DisplaceOperationTest, VerticesThatShareACoordinateEachMoveAndRefusalsAreShown)
{
    // Two quads whose shared edge has one texture coordinate pair for four vertices (a seam
    // closed in texture space), on one level.
    m_pObject = Import("seam.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\nv 1 0 0\nv 1 1 0\n"
                                   "vt 0 0\nvt 0.5 0\nvt 0.5 1\nvt 0 1\nvt 1 0\nvt 1 1\n"
                                   "f 1/1 2/2 3/3 4/4\nf 7/2 5/5 6/6 8/3\n");
    ASSERT_TRUE(m_pObject);
    m_pObject->CalculateNormals(false);
    WriteFloatMap(m_cDir.filePath(QStringLiteral("c_0001")), 4, [](float, float) { return 0.25f; });
    DisplaceOperation &operation = Operation(m_pObject);
    operation.m_aInitialTile.SetValue(1);
    operation.m_aDisplacementMap.SetValue(m_cDir.filePath(QStringLiteral("c_0001.tif")));
    operation.m_aStart.SetValue(1);
    ASSERT_EQ(m_pObject->m_iVertexCount, 8u);
    for (unsigned v = 0; v < m_pObject->m_iVertexCount; ++v)
        EXPECT_FLOAT_EQ(m_pObject->m_pVertices[v].m_vPosition.z, 0.25f) << v;

    // A target without texture coordinates is refused with its reason.
    Object *untextured = Import("bare.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    ASSERT_TRUE(untextured);
    Recorder().Clear();
    operation.m_aTargetMesh.SetValue(untextured);
    operation.m_aStart.SetValue(1);
    EXPECT_TRUE(Recorder().boxes.contains(QStringLiteral("Error: Target mesh has no texture coordinates")))
        << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    EXPECT_EQ(untextured->LayerCount(), 0);
    operation.m_aTargetMesh.SetValue(nullptr);
    Importer::DeleteChain(untextured);
}
