#pragma once
// The controller over a scene with scripted file dialogs: the save and open dialogs answer
// from lists, every dialog and recent-file entry is recorded, and the window's caption too.

#include "InteractionFixtures.h"

#include "interaction/InteractionMeshHost.h"
#include "foundation/Stream.h"
#include "interaction/files/FileServices.h"
#include "mesh/object/Object.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/object/MeshEdits.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneServices.h"

#include <QDir>
#include <QFile>

class ScriptedFiles : public FileServices {
public:
    QString GetSaveFileName(const QString &caption, const QString &folder, const QString &filter,
                            QString &chosenFilter) override
    {
        calls << QStringLiteral("save ") + caption;
        chosenFilter = saveFilter.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0) : saveFilter;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString GetOpenFileName(const QString &caption, const QString &folder, const QString &filter) override
    {
        calls << QStringLiteral("open ") + caption;
        return openAnswers.isEmpty() ? QString() : openAnswers.first();
    }
    QStringList GetOpenFileNames(const QString &caption, const QString &folder, const QString &filter) override
    {
        calls << QStringLiteral("open many ") + caption;
        return openAnswers;
    }
    bool AskImportOptions(bool uv, ImportChoice &choice) override
    {
        calls << QStringLiteral("import options");
        return acceptOptions;
    }
    bool AskExportOptions(bool severalLevels, bool uv, ExportChoice &choice) override
    {
        calls << (uv ? QStringLiteral("export options with UVs") : QStringLiteral("export options"));
        return acceptOptions;
    }
    int ChooseFromMenu(const QList<MenuRow> &rows, const QPoint &globalPosition) override
    {
        menus.append(rows);
        return menuChoices.isEmpty() ? -1 : menuChoices.takeFirst();
    }
    QString GetSceneFolder() const override { return sceneFolder; }
    void SetSceneFolder(const QString &folder) override { sceneFolder = folder; }
    bool KeepsBackup() const override { return keepBackup; }
    bool CompressesScenes() const override { return compress; }
    void AddRecentFile(const QString &file) override { recent << file; }
    void ShowTextureBake() override { calls << QStringLiteral("texture bake"); }
    void ShowMeshDisplace() override { calls << QStringLiteral("mesh displace"); }
    void ToggleFullScreen() override { calls << QStringLiteral("full screen"); }
    void Quit() override { calls << QStringLiteral("quit"); }
    void ShowProperties(const QString &type, General::Node *node, bool lock) override
    {
        calls << QStringLiteral("properties %1%2").arg(type, lock ? QStringLiteral(" locked") : QString());
    }
    void EditMaterial(General::Node *material) override { calls << QStringLiteral("edit material"); }

    QStringList saveAnswers;
    QString saveFilter;
    QStringList openAnswers;
    bool acceptOptions = true;
    QList<int> menuChoices;
    QList<QList<MenuRow>> menus;
    QString sceneFolder;
    bool keepBackup = false;
    bool compress = true;
    QStringList recent;
    QStringList calls;
};

class CaptionInteraction : public RecordingInteraction {
public:
    void SetSceneCaption(const QString &file) override { captions << file; }
    void ResetSaveReminder() override { ++reminderResets; }
    QStringList captions;
    int reminderResets = 0;
};

class FileTest : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        InteractionServices::Install(&m_captions);
        FileServices::Install(&m_files);
        InitializeSceneGlobals();
        RegisterObjectOperations();
        InstallUndoableSelection();
        MeshHost::Install(&m_meshHost);
        ASSERT_TRUE(QDir(m_temp.path()).mkpath(QStringLiteral("files")));
        Recorder().boxes.clear();
        Recorder().answers.clear();
        Recorder().statusMessages.clear();
    }
    void TearDown() override
    {
        FileServices::Install(nullptr);
        MeshHost::Install(nullptr);
        SceneServices::Install(nullptr);
        MeshEdits::Install(nullptr);
        InteractionTest::TearDown();
    }

    // Scene files go to a folder of their own, apart from the undo and redo files.
    QString Path(const QString &name) const { return m_temp.filePath(QStringLiteral("files/") + name); }
    static QString Cube() { return QStringLiteral(TEVRIN_TEST_DATA "/obj/assimp_cube.obj"); }
    static QByteArray Bytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Every object's record (all levels, selection and visibility), byte for byte.
    QByteArray ObjectBytes()
    {
        const QString file = Path(QStringLiteral("objects.stream"));
        {
            Stream stream(file, true);
            for (Object *object = m_scene->m_pObjects; object; object = object->m_pNextObject)
                EXPECT_TRUE(object->Serialize(stream));
            EXPECT_TRUE(stream.Flush());
        }
        const QByteArray bytes = Bytes(file);
        QFile::remove(file);
        return bytes;
    }

    ScriptedFiles m_files;
    CaptionInteraction m_captions;
    InteractionMeshHost m_meshHost;
};
