// The scene around the importers and level writers: replacing only after a good import,
// units, framing, tool size, groups as selection sets, and the export file names.
#include "SceneFixtures.h"

#include "foundation/Stream.h"
#include "scene/Brush.h"
#include "scene/LevelFileBin.h"
#include "scene/SelectionSet.h"
#include "scene/readers/Importer.h"
#include "scene/camera/Camera.h"
#include "mesh/surface/Material.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>

namespace {

QString Fixture(const char *name) { return QStringLiteral(TEVRIN_TEST_DATA "/obj/") + QLatin1String(name); }

class ImportServices : public RecordingSceneServices {
public:
    Brush *GetCurrentTool() const override { return tool; }
    bool GetFrameEveryImport() const override { return frameEvery; }
    void ImportFinished() override { ++importsFinished; }
    Brush *tool = nullptr;
    bool frameEvery = false;
    int importsFinished = 0;
};

class SceneFiles : public testing::Test {
protected:
    void SetUp() override
    {
        InitializeSceneGlobals();
        Scene::s_iCounter = 0;
        Recorder().Clear();
        m_scene = std::make_unique<Scene>();
        m_scene->CreateDefaultCameras();
        m_tool.m_fSizeMaximum = 50.0f;
        m_tool.m_bSharedSize = false;
        m_tool.SetSize(3.0f);
        m_services.tool = &m_tool;
    }
    void TearDown() override { m_scene.reset(); }

    std::vector<Object *> Objects() const
    {
        std::vector<Object *> objects;
        for (Object *o = m_scene->m_pObjects; o; o = o->m_pNextObject)
            objects.push_back(o);
        return objects;
    }

    ImportServices m_services;
    Brush m_tool;
    std::unique_ptr<Scene> m_scene;
    TempDir m_dir;
};

}  // namespace

TEST_F(SceneFiles, TheFirstImportIsFramedSizesTheToolAndIsScaledToTheUnit)
{
    m_services.unit = 2;  // metres: the scene works in centimetres
    Object *first = m_scene->Import(Fixture("assimp_cube.obj"), true, false, true);
    ASSERT_TRUE(first);
    EXPECT_EQ(Objects(), std::vector<Object *>{first});
    EXPECT_EQ(m_scene->m_iObjectCount, 1);
    EXPECT_TRUE(m_scene->m_bModified);
    EXPECT_EQ(first->GetAABB().m_vMax, General::Vector(100, 100, 100));
    EXPECT_TRUE(first->m_bAdjacencyValid);
    EXPECT_TRUE(first->m_pOctree);
    EXPECT_EQ(m_scene->m_pActiveCamera->m_vTarget, General::Vector(50, 50, 50));
    EXPECT_FLOAT_EQ(m_tool.GetSize(), 10.0f);  // a tenth of the largest side, below the maximum
    EXPECT_EQ(m_services.historyClears, 1);
    EXPECT_EQ(m_services.importsFinished, 1);
    EXPECT_EQ(Recorder().statusMessages.back(), "done.");

    // A second import leaves camera and tool alone and numbers its objects after the first.
    m_scene->m_pActiveCamera->m_vTarget = General::Vector(1, 2, 3);
    Object *second = m_scene->Import(Fixture("hand_relative.obj"), true, false, true);
    ASSERT_TRUE(second);
    EXPECT_EQ(Objects().size(), 3u);
    EXPECT_TRUE(second->GetName().startsWith("mesh1 ")) << second->GetName().toStdString();
    EXPECT_TRUE(second->m_pNextObject->GetName().startsWith("mesh2 "));
    EXPECT_EQ(m_scene->m_pActiveCamera->m_vTarget, General::Vector(1, 2, 3));
    EXPECT_FLOAT_EQ(m_tool.GetSize(), 10.0f);
    EXPECT_EQ(m_scene->m_iObjectCount, 3);
}

TEST_F(SceneFiles, AFailedReplacingImportLeavesTheSceneAsItWas)
{
    ASSERT_TRUE(m_scene->Import(Fixture("assimp_cube.obj"), true, false, true));
    TempDir::Write(m_dir.File("bad.obj"), "v 0 0 0\nv 1 0 0\nf 1 2 3\n");
    for (const QString &file : {m_dir.File("bad.obj"), m_dir.File("missing.obj")}) {
        Recorder().Clear();
        EXPECT_FALSE(m_scene->Import(file, false, false, true));
        EXPECT_EQ(Objects().size(), 1u) << file.toStdString();
        ASSERT_EQ(Recorder().messages.size(), 1);
        // The box leads with the real cause, and the status line does not stay on "importing...".
        EXPECT_FALSE(Recorder().messages[0].startsWith("Not enough memory")) << Recorder().messages[0].toStdString();
        ASSERT_FALSE(Recorder().statusMessages.isEmpty());
        EXPECT_EQ(Recorder().statusMessages.last(), "import failed.");
        EXPECT_EQ(Recorder().statusStates.back(), 2);
        if (file.endsWith("bad.obj"))
            EXPECT_TRUE(Recorder().messages[0].contains("line 3", Qt::CaseInsensitive)) << Recorder().messages[0].toStdString();
    }
    EXPECT_TRUE(Recorder().messages[0].startsWith("The file ")) << Recorder().messages[0].toStdString();
    EXPECT_TRUE(Recorder().messages[0].contains("cannot be opened"));

    // A level file of a later program is refused with its reason, not thrown at the caller.
    const int later = Stream::kCurrentVersion + 1;
    TempDir::Write(m_dir.File("later.bio"), QByteArray(reinterpret_cast<const char *>(&later), 4) + QByteArray(8, '\0'));
    Recorder().Clear();
    EXPECT_FALSE(m_scene->Import(m_dir.File("later.bio"), false, true, true));
    EXPECT_EQ(Objects().size(), 1u);
    ASSERT_EQ(Recorder().messages.size(), 1);
    EXPECT_TRUE(Recorder().messages[0].contains("File version is too new or is corrupt"));

    // A good one replaces the scene's objects.
    Object *replacement = m_scene->Import(Fixture("hand_ngon.obj"), false, false, true);
    ASSERT_TRUE(replacement);
    EXPECT_EQ(Objects(), std::vector<Object *>{replacement});
    EXPECT_TRUE(replacement->GetName().startsWith("mesh "));
    // Clearing the scene makes the material list anew: the replacement must hold the new
    // default material, not the one that went with the old scene.
    ASSERT_NE(replacement->GetMaterial(), nullptr);
    EXPECT_EQ(replacement->GetMaterial(), Surface::Materials().First());
}

TEST_F(SceneFiles, NamedGroupsBecomeSelectionSets)
{
    Object *object = m_scene->Import(Fixture("assimp_two_solids.obj"), true, false, true);
    ASSERT_TRUE(object);
    std::vector<std::pair<QString, std::vector<unsigned>>> sets;
    for (SelectionSet *set = m_scene->m_pSelectionSets; set; set = set->m_pNext) {
        ASSERT_EQ(set->m_aEntries.size(), 1u);
        EXPECT_EQ(set->m_aEntries[0]->level, object);
        const auto &faces = set->m_aEntries[0]->faces;
        sets.emplace_back(set->m_sSetName, std::vector<unsigned>(faces.begin(), faces.end()));
    }
    // New sets go to the head of the chain.
    EXPECT_EQ(sets, (std::vector<std::pair<QString, std::vector<unsigned>>>{{"second", {2}}, {"first", {0, 1}}}));
}

TEST_F(SceneFiles, WithoutPreparationObjectsAreOnlyScaledAndHandedBack)
{
    m_services.unit = 0;  // millimetres
    Object *first = m_scene->Import(Fixture("assimp_cube.obj"), true, false, false);
    ASSERT_TRUE(first);
    EXPECT_TRUE(Objects().empty());
    EXPECT_EQ(first->GetAABB(true).m_vMax, General::Vector(0.1f, 0.1f, 0.1f));
    Importer::DeleteChain(first);
}

TEST_F(SceneFiles, BinaryLevelFilesAreNotScaled)
{
    const QString path = m_dir.File("one.bio");
    {
        LevelFileBin file(path, true, 1);
        file.BeginGroup("tri", 0, 0, 1, 3, 0);
        for (float x : {0.0f, 2.0f, 0.0f}) {
            const float p[3] = {x, x == 0.0f ? 0.0f : 1.0f, 0};
            file.WriteVertex(p);
        }
        General::Store<int> corners("test");
        for (int i : {1, 2, 3})
            corners.Add(i);
        file.WriteFace(corners, nullptr);
    }
    m_services.unit = 2;
    Object *object = m_scene->Import(path, true, true, true);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->GetAABB().m_vMax.x, 2.0f);
}

TEST_F(SceneFiles, LevelExportsPickTheirWriterAndNameByTheSuffix)
{
    Object *head = m_scene->Import(Fixture("assimp_cube.obj"), true, false, true);
    ASSERT_TRUE(head);
    head->SetObjectName("head");
    m_services.unit = 2;
    // One text file for the suffix OBJ in capitals.
    ASSERT_TRUE(m_scene->ExportLevels(m_dir.File("all.OBJ"), false, false, true, {head}));
    const QByteArray text = TempDir::Read(m_dir.File("all.OBJ"));
    EXPECT_TRUE(text.startsWith("g head_0\n")) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains("\nv 0.010000 0.010000 0.010000\n"));  // metres
    // One binary file per level, named after the object and the level.
    ASSERT_TRUE(m_scene->ExportLevels(m_dir.File("out.tar.bio"), true, false, true, {head}));
    EXPECT_TRUE(QFile::exists(m_dir.File("out_head_0.tar.bio")));
    LevelFileBin back(m_dir.File("out_head_0.tar.bio"), false, 0);
    EXPECT_EQ(back.GetObjectCount(), 1);
    // A folder that does not exist fails.
    EXPECT_FALSE(m_scene->ExportLevels(m_dir.File("none/x.bio"), true, false, true, {head}));
}

TEST_F(SceneFiles, PerLevelFilesStayInTheChosenFolderWhateverTheObjectIsNamed)
{
    Object *head = m_scene->Import(Fixture("assimp_cube.obj"), true, false, true);
    ASSERT_TRUE(head);
    const struct {
        const char *name;
        const char *file;  // written in the chosen folder
    } cases[] = {
        {"../../../x", "out____.._.._x_0.obj"}, {"a/b", "out_a_b_0.obj"},   {"a\\b", "out_a_b_0.obj"},
        {"/etc/x", "out__etc_x_0.obj"},  {"..", "out____0.obj"},      {".hidden", "out__hidden_0.obj"},
        {"head", "out_head_0.obj"},      {"a..b", "out_a..b_0.obj"},
    };
    for (const auto &c : cases) {
        TempDir root;
        const QString chosen = root.File("one/two/chosen");
        // With this folder in the chosen one, "../../../x" would climb through it and out.
        ASSERT_TRUE(QDir().mkpath(chosen + QStringLiteral("/out_..")));
        head->SetObjectName(QString::fromUtf8(c.name));
        m_scene->ExportLevels(chosen + QStringLiteral("/out.obj"), true, false, false, {head});
        QStringList written;
        QDirIterator files(root.Path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext())
            written.append(QDir(root.Path()).relativeFilePath(files.next()));
        EXPECT_EQ(written, QStringList{QStringLiteral("one/two/chosen/") + QLatin1String(c.file)}) << c.name;
    }
}

TEST_F(SceneFiles, AFullDiskAtALevelExportIsToldOnceNamingTheFile)
{
    // /dev/full accepts the open and refuses every write, like a full disk.
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    Object *head = m_scene->Import(Fixture("assimp_cube.obj"), true, false, true);
    ASSERT_TRUE(head);
    for (const char *name : {"full.obj", "full.bio"}) {
        Recorder().messages.clear();
        const QString path = m_dir.File(name);
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path));
        EXPECT_FALSE(m_scene->ExportLevels(path, false, false, true, {head})) << name;
        EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("Could not write to file %1. Disk may be full.").arg(path)})
            << name;
    }
}

TEST_F(SceneFiles, ExportingSelectedFacesWithNoneSelectedWritesAnEmptyFile)
{
    ASSERT_TRUE(m_scene->Import(Fixture("assimp_cube.obj"), true, false, true));
    const QString path = m_dir.File("faces.obj");
    EXPECT_TRUE(m_scene->ExportFaces(path, true));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(TempDir::Read(path).isEmpty());
    EXPECT_TRUE(m_scene->ExportFaces(path, false));
    EXPECT_TRUE(TempDir::Read(path).contains("f "));
    EXPECT_FALSE(m_scene->ExportFaces(m_dir.File("none/faces.obj"), false));
}
