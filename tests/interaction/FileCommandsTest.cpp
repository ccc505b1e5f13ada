#include "FileFixtures.h"

#include "mesh/object/Object.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "operations/selection/SelectionHost.h"
#include "platform/ZipArchive.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

class FileCommands : public FileTest {
protected:
    void TearDown() override
    {
        Operations::SelectionHost::Install(nullptr);
        FileTest::TearDown();
    }
    Object *ImportCube()
    {
        Object *object = m_scene->Import(Cube(), true, false, true);
        EXPECT_NE(object, nullptr);
        return object;
    }
    QStringList FilesInFolder() const { return QDir(Path(QString())).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(FileCommands, SaveAsTakesItsExtensionFromTheChosenFilter)
{
    ImportCube();
    QDir(Path(QString())).mkdir(QStringLiteral("a.b"));
    const struct {
        const char *answer;
        const char *saved;
    } cases[] = {
        {"scene", "scene.tev"},
        {"other.old", "other.tev"},
        // A dot in a folder name is no extension.
        {"a.b/inner", "a.b/inner.tev"},
    };
    for (const auto &c : cases) {
        m_files.saveAnswers = {Path(QLatin1String(c.answer))};
        m_scene->m_bModified = true;
        ASSERT_TRUE(m_interface->SaveScene(true)) << c.answer;
        const QString saved = Path(QLatin1String(c.saved));
        EXPECT_TRUE(QFileInfo::exists(saved)) << c.saved;
        EXPECT_TRUE(ZipArchive::LooksLikeZip(saved));
        EXPECT_EQ(m_scene->m_sFileName, saved);
        EXPECT_FALSE(m_scene->m_bModified);
        EXPECT_EQ(m_captions.captions.last(), saved);
        EXPECT_EQ(m_files.recent.last(), saved);
    }
}

TEST_F(FileCommands, TheOverwriteQuestionAsksAgainOrEndsTheSave)
{
    ImportCube();
    const QString existing = Path(QStringLiteral("old.tev"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    enum { kYes, kNo, kCancel };
    // "No" brings the dialog back; the second name is new.
    m_files.saveAnswers = {existing, Path(QStringLiteral("new.tev"))};
    Recorder().answers = {kNo};
    ASSERT_TRUE(m_interface->SaveScene(true));
    EXPECT_EQ(m_files.calls.count(QStringLiteral("save Choose a file")), 2);
    EXPECT_EQ(m_scene->m_sFileName, Path(QStringLiteral("new.tev")));
    EXPECT_EQ(Bytes(existing), QByteArray("keep me"));
    ASSERT_FALSE(Recorder().boxes.isEmpty());
    EXPECT_TRUE(Recorder().boxes[0].startsWith(QLatin1String("Overwrite: The file you selected already exists")));

    // "Cancel" ends the save without writing and without renaming the scene.
    m_files.saveAnswers = {existing};
    Recorder().answers = {kCancel};
    EXPECT_FALSE(m_interface->SaveScene(true));
    EXPECT_EQ(Bytes(existing), QByteArray("keep me"));
    EXPECT_EQ(m_scene->m_sFileName, Path(QStringLiteral("new.tev")));

    // "Yes" writes over it.
    m_files.saveAnswers = {existing};
    Recorder().answers = {kYes};
    EXPECT_TRUE(m_interface->SaveScene(true));
    EXPECT_TRUE(ZipArchive::LooksLikeZip(existing));
}

TEST_F(FileCommands, OnlyTevNamesAreSavedAndACancelledDialogSavesNothing)
{
    ImportCube();
    // A filter without an extension keeps the typed one, which must be "tev".
    m_files.saveFilter = QStringLiteral("All files (*)");
    m_files.saveAnswers = {Path(QStringLiteral("mesh.obj")), Path(QStringLiteral("mesh.TEV"))};
    EXPECT_FALSE(m_interface->SaveScene(true));
    EXPECT_EQ(m_files.calls.count(QStringLiteral("save Choose a file")), 3);
    EXPECT_EQ(Recorder().boxes, QStringList({QStringLiteral("Error: File extension must be tev"),
                                             QStringLiteral("Error: File extension must be tev")}));
    EXPECT_TRUE(FilesInFolder().isEmpty());
    EXPECT_TRUE(m_captions.captions.isEmpty());
}

// A failed save is no save: the old file, the scene's name, the caption and the recent
// list stay as they were.
TEST_F(FileCommands, AFailedSaveChangesNeitherFileNorNameNorCaption)
{
    ImportCube();
    const QString first = Path(QStringLiteral("first.tev"));
    m_files.saveAnswers = {first};
    ASSERT_TRUE(m_interface->SaveScene(true));
    const QByteArray saved = Bytes(first);
    const QString blocked = Path(QStringLiteral("blocked.tev"));
    {
        QFile file(blocked);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("read-only");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(blocked).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(first).constData(), 0444), 0);
    const QStringList captions = m_captions.captions;
    const QStringList recent = m_files.recent;
    m_scene->m_bModified = true;

    EXPECT_FALSE(m_interface->SaveScene(false));
    m_files.saveAnswers = {blocked};
    Recorder().answers = {0};
    EXPECT_FALSE(m_interface->SaveScene(true));

    EXPECT_EQ(Bytes(first), saved);
    EXPECT_EQ(Bytes(blocked), QByteArray("read-only"));
    EXPECT_EQ(m_scene->m_sFileName, first);
    EXPECT_TRUE(m_scene->m_bModified);
    EXPECT_EQ(m_captions.captions, captions);
    EXPECT_EQ(m_files.recent, recent);
    EXPECT_EQ(FilesInFolder(), QStringList({QStringLiteral("blocked.tev"), QStringLiteral("first.tev")}));
}

TEST_F(FileCommands, SavesKeepABackupWhenAskedAndLeaveNoTemporaryFiles)
{
    for (const bool keepBackup : {false, true}) {
        SCOPED_TRACE(keepBackup);
        for (const QString &file : FilesInFolder())
            QFile::remove(Path(file));
        m_scene->Clear(true);
        m_files.keepBackup = keepBackup;
        const QString name = Path(QStringLiteral("scene.tev"));
        m_files.saveAnswers = {name};
        ASSERT_TRUE(m_interface->SaveScene(true));
        const QByteArray before = Bytes(name);
        ImportCube();
        ASSERT_TRUE(m_interface->SaveScene(false));
        EXPECT_NE(Bytes(name), before);
        if (keepBackup) {
            EXPECT_EQ(Bytes(Path(QStringLiteral("scene.bak"))), before);
            EXPECT_EQ(FilesInFolder(), QStringList({QStringLiteral("scene.bak"), QStringLiteral("scene.tev")}));
        } else {
            EXPECT_EQ(FilesInFolder(), QStringList({QStringLiteral("scene.tev")}));
        }
        // The saved scene opens again with its object.
        m_scene->m_bModified = false;
        m_interface->OpenFile(false, name, 0);
        EXPECT_EQ(m_scene->GetObjectCount(), 1);
    }
}

TEST_F(FileCommands, UncompressedScenesAreSavedAsPlainStreamsAndOpenWithoutAMessage)
{
    ImportCube();
    m_files.compress = false;
    const QString name = Path(QStringLiteral("plain.tev"));
    m_files.saveAnswers = {name};
    ASSERT_TRUE(m_interface->SaveScene(true));
    EXPECT_FALSE(ZipArchive::LooksLikeZip(name));
    m_scene->Clear(true);
    Recorder().messages.clear();
    m_interface->OpenFile(false, name, 0);
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_TRUE(Recorder().messages.isEmpty());
    EXPECT_TRUE(Recorder().boxes.isEmpty());
}

TEST_F(FileCommands, AskingToSaveAModifiedScene)
{
    enum { kSave, kDontSave, kCancel };
    EXPECT_FALSE(m_interface->AskSaveModified(QStringLiteral("New scene")));
    EXPECT_TRUE(Recorder().boxes.isEmpty()) << "an unmodified scene asks nothing";
    m_scene->m_bModified = true;
    Recorder().answers = {kDontSave};
    EXPECT_FALSE(m_interface->AskSaveModified(QStringLiteral("New scene")));
    Recorder().answers = {kCancel};
    EXPECT_TRUE(m_interface->AskSaveModified(QStringLiteral("New scene")));
    // "Save" with a cancelled save dialog: the caller must stop.
    Recorder().answers = {kSave};
    EXPECT_TRUE(m_interface->AskSaveModified(QStringLiteral("New scene")));
    m_files.saveAnswers = {Path(QStringLiteral("asked.tev"))};
    Recorder().answers = {kSave};
    EXPECT_FALSE(m_interface->AskSaveModified(QStringLiteral("New scene")));
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("asked.tev"))));
    EXPECT_TRUE(Recorder().boxes[0].startsWith(QLatin1String("New scene: Scene was modified. Do you wish to save?")));
}

TEST_F(FileCommands, NewSceneEmptiesSceneAndHistoryUnlessCancelled)
{
    ImportCube();
    m_scene->m_sFileName = Path(QStringLiteral("named.tev"));
    m_scene->m_bModified = true;
    Interface::s_bUnrecordedChange = true;
    Recorder().answers = {2};
    m_interface->NewScene();
    EXPECT_EQ(m_scene->GetObjectCount(), 1) << "cancelled";

    Recorder().answers = {1};
    const int resets = m_captions.reminderResets;
    m_interface->NewScene();
    EXPECT_EQ(m_scene->GetObjectCount(), 0);
    EXPECT_TRUE(m_scene->m_sFileName.isEmpty());
    EXPECT_EQ(m_captions.captions.last(), QString());
    EXPECT_EQ(m_captions.reminderResets, resets + 1);
    EXPECT_FALSE(Interface::s_bUnrecordedChange);
    EXPECT_NE(m_scene->m_pActiveCamera, nullptr);
}

TEST_F(FileCommands, AnUnknownFileStopsTheOpenAfterTheFilesBeforeIt)
{
    m_files.openAnswers = {Cube(), Path(QStringLiteral("notes.txt")), Cube()};
    m_interface->OpenFile(true, QString(), 0);
    EXPECT_EQ(m_files.calls, QStringList({QStringLiteral("open many Import file")}));
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_EQ(Recorder().boxes, QStringList({QStringLiteral("Error: Unknown file format")}));
    EXPECT_EQ(m_files.recent, QStringList({Cube()}));
    // The folder of the last file named, whatever its kind.
    EXPECT_EQ(m_files.sceneFolder, QFileInfo(Path(QStringLiteral("notes.txt"))).absolutePath());
    EXPECT_EQ(m_interface->m_pActiveObject, m_scene->m_pObjects);
}

// Only a successful replacing load names the scene and joins the recent list.
TEST_F(FileCommands, CaptionAndRecentListFollowOnlyASuccessfulReplacingLoad)
{
    ImportCube();
    const QString saved = Path(QStringLiteral("two words.tev"));
    m_files.saveAnswers = {saved};
    ASSERT_TRUE(m_interface->SaveScene(true));
    m_captions.captions.clear();
    m_files.recent.clear();

    m_interface->OpenFile(false, Path(QStringLiteral("missing.tev")), 0);
    EXPECT_TRUE(m_captions.captions.isEmpty());
    EXPECT_TRUE(m_files.recent.isEmpty());

    m_interface->OpenFile(true, saved, 0);
    EXPECT_EQ(m_scene->GetObjectCount(), 2) << "merged";
    EXPECT_TRUE(m_captions.captions.isEmpty());
    EXPECT_TRUE(m_files.recent.isEmpty());
    EXPECT_EQ(m_scene->m_sFileName, saved);

    m_scene->m_bModified = false;
    m_interface->OpenFile(false, saved, 0);
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_EQ(m_captions.captions, QStringList({saved}));
    EXPECT_EQ(m_files.recent, QStringList({saved}));
}

// A partial export is no save: quitting still asks, and Ctrl+S still writes the scene's own file.
TEST_F(FileCommands, ExportingTheSelectionKeepsTheScenesNameAndModifiedFlag)
{
    Object *object = ImportCube();
    m_scene->m_sFileName = Path(QStringLiteral("whole.tev"));
    m_scene->m_bModified = true;
    m_interface->Export(false);
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("ERROR: Nothing is selected!"));
    EXPECT_TRUE(m_files.calls.isEmpty());

    LevelBits::SetSelected(object->m_pQuads[0], true);
    ++object->m_iSelectedFaces;
    ASSERT_TRUE(m_scene->HasSelectedFaces());
    const QString part = Path(QStringLiteral("part.tev"));
    m_files.saveAnswers = {part};
    m_files.saveFilter = QStringLiteral("Tevrin files (*.tev)");
    m_interface->Export(false);
    EXPECT_TRUE(ZipArchive::LooksLikeZip(part));
    EXPECT_EQ(m_scene->m_sFileName, Path(QStringLiteral("whole.tev")));
    EXPECT_TRUE(m_scene->m_bModified);

    m_files.saveAnswers = {Path(QStringLiteral("part.bio"))};
    m_files.saveFilter = QStringLiteral("All files (*)");
    m_interface->Export(false);
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("Incorrect file type for Export Selection"));
}

// "Export UVs" is offered only when a selected level has texture coordinates to write.
TEST_F(FileCommands, ExportingLevelsOffersUVsOnlyWhenTheLevelsHaveThem)
{
    Object *object = ImportCube();
    LevelBits::SetSelected(object->m_pQuads[0], true);
    ++object->m_iSelectedFaces;
    m_files.acceptOptions = false;
    const unsigned coordinates = object->m_iTCCount;
    ASSERT_GT(coordinates, 0u);
    const struct {
        unsigned count;
        const char *call;
    } cases[] = {{coordinates, "export options with UVs"}, {0, "export options"}};
    for (const auto &c : cases) {
        object->m_iTCCount = c.count;
        m_files.calls.clear();
        m_files.saveAnswers = {Path(QStringLiteral("levels.obj"))};
        m_files.saveFilter = QStringLiteral("Object files (*.obj)");
        m_interface->Export(true);
        EXPECT_EQ(m_files.calls.filter(QStringLiteral("export")), QStringList({QLatin1String(c.call)})) << c.count;
    }
    object->m_iTCCount = coordinates;
}

// Export Levels: a typed ".obj" or ".bio" chooses the format whatever filter is shown;
// any other name takes the filter's extension.
TEST_F(FileCommands, ExportingLevelsKeepsATypedFormatAndOtherwiseTakesTheFilters)
{
    Object *object = ImportCube();
    LevelBits::SetSelected(object->m_pQuads[0], true);
    ++object->m_iSelectedFaces;
    const struct {
        const char *typed, *filter, *written;
    } cases[] = {
        {"exp1.obj", "", "exp1.obj"},
        {"exp2.OBJ", "", "exp2.OBJ"},
        {"exp3.bio", "Object files (*.obj)", "exp3.bio"},
        {"exp4", "", "exp4.bio"},
        {"exp5.txt", "Object files (*.obj)", "exp5.obj"},
        {"exp6.tev", "", "exp6.bio"},
    };
    for (const auto &c : cases) {
        m_files.saveAnswers = {Path(QLatin1String(c.typed))};
        m_files.saveFilter = QLatin1String(c.filter);
        m_interface->Export(true);
        const QString written = Path(QLatin1String(c.written));
        ASSERT_TRUE(QFileInfo::exists(written)) << c.typed << " " << qPrintable(FilesInFolder().join(' '));
        QFile file(written);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        // OBJ is text made of records; BIO is binary.
        const bool text = QFileInfo(written).suffix().toLower() == QLatin1String("obj");
        EXPECT_EQ(!file.read(4096).contains('\0'), text) << c.typed;
    }
    // ".tev" in its own filter still points to Export Selection, and writes nothing.
    const QStringList before = FilesInFolder();
    m_files.saveAnswers = {Path(QStringLiteral("exp7.tev"))};
    m_files.saveFilter = QStringLiteral("Tevrin files (*.tev)");
    m_interface->Export(true);
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("To export as .tev please choose Export Selection function"));
    EXPECT_EQ(FilesInFolder(), before);
}

TEST_F(FileCommands, LayerAndUVImportsNeedAnActiveLevelZeroObject)
{
    m_interface->OpenFile(true, Cube(), 1);
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("ERROR: An active object is needed for this operation!"));
    Object *object = ImportCube();
    ASSERT_TRUE(object->Subdivide());
    m_interface->SetActiveObject(object);
    object->m_pActiveLevel = object->GetLevel(1);
    m_interface->OpenFile(true, Cube(), 2);
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("ERROR: This operation can be used only on level 0 meshes!"));
    EXPECT_TRUE(m_files.calls.isEmpty());
    // A declined options dialog imports nothing.
    m_files.acceptOptions = false;
    m_interface->OpenFile(true, Cube(), 1);
    EXPECT_EQ(m_files.calls, QStringList({QStringLiteral("import options")}));
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
}

TEST_F(FileCommands, TheCommandsReachTheirFunctions)
{
    const struct {
        const char *handler;
        const char *call;
    } cases[] = {
        {"Open", "open Open file"},           {"Import", "open many Import file"},
        {"Save scene as", "save Choose a file"}, {"Texture bake", "texture bake"},
        {"Full screen", "full screen"},       {"Quit", "quit"},
        {"Mesh displace", "mesh displace"},
    };
    for (const auto &c : cases) {
        m_files.calls.clear();
        m_interface->RunCommand(c.handler);
        EXPECT_EQ(m_files.calls, QStringList({QLatin1String(c.call)})) << c.handler;
    }
    // Other events do nothing.
    m_files.calls.clear();
    Handlers().OnUserEvent(eventMouseMove, "Quit");
    Handlers().OnUserEvent(eventDeactivate, "Open");
    EXPECT_TRUE(m_files.calls.isEmpty());
}

}  // namespace
