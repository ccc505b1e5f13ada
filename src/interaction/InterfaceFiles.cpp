// Opening, saving and exporting from the controller: the command line, the recent files
// and the file commands open through OpenFile, and closing or replacing a scene asks first.
// The window's dialogs are reached through FileServices; message boxes through the shell.
#include "interaction/Interface.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "interaction/benchmark/BenchmarkRecorder.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <vector>

namespace {
QString Tr(const char *text) { return QCoreApplication::translate("Interface", text); }

void Warn(const QString &text)
{
    General::Shell().ShowMessage(General::ShellServices::kWarning, Tr("Error"), text);
}

void Status(const char *text, int state) { General::Shell().SetStatusMessage(Tr(text), state); }

// The name with its extension replaced by (or, without one, extended by) `extension`. Only
// the file's own name counts: a dot in a folder name is no extension.
QString WithExtension(const QString &name, const QString &extension)
{
    const int slash = int(name.lastIndexOf(QLatin1Char('/')));
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    return dot > slash ? name.left(dot) + extension : name + extension;
}

// The objects of an import that never joined the scene.
void DeleteChain(Object *first)
{
    while (first) {
        Object *next = first->m_pNextObject;
        delete first;
        first = next;
    }
}

// Loads a scene or imports a mesh as the open command does; false when nothing was read.
bool OpenSceneOrMesh(Scene &scene, const QString &name, const QString &suffix, bool import)
{
    if (suffix == QLatin1String("TEV"))
        return scene.Load(name, import, true);
    return scene.Import(name, import, suffix == QLatin1String("BIO"), true) != nullptr;
}
}  // namespace

bool Interface::AskSaveFileName(QString &name, const QString &caption, const QString &folder, const QString &filter,
                                const QStringList &typedFormats)
{
    QString chosenFilter;
    name = FileHost().GetSaveFileName(caption, folder, filter, chosenFilter);
    if (name.isEmpty())
        return false;
    const QString typed = QLatin1Char('.') + QFileInfo(name).suffix().toLower();
    const int dot = int(chosenFilter.indexOf(QLatin1Char('.')));
    if (dot >= 0 && !typedFormats.contains(typed))
        name = WithExtension(name, chosenFilter.mid(dot, 4));
    if (!QFileInfo::exists(name))
        return true;
    enum { kYes, kNo, kCancel };
    const int answer =
        General::Shell().AskQuestion(Tr("Overwrite"), Tr("The file you selected already exists, do you want to overwrite?"),
                                     {Tr("Yes"), Tr("No"), Tr("Cancel")}, kYes, kCancel);
    if (answer == kNo)
        name.clear();
    return answer != kCancel;
}

bool Interface::AskSaveModified(const QString &caption)
{
    const Scene *scene = Scene::GetCurrent();
    // Played-back input asks no one; the recorded session's answer is in its file lines.
    if (!scene || !scene->m_bModified || m_bPlayback)
        return false;
    enum { kSave, kDontSave, kCancel };
    const int answer = General::Shell().AskQuestion(caption, Tr("Scene was modified. Do you wish to save?"),
                                                    {Tr("Save"), Tr("Don't save"), Tr("Cancel")}, kSave, kCancel);
    if (answer == kSave)
        return !SaveScene(false);
    return answer != kDontSave;
}

bool Interface::SaveScene(bool saveAs)
{
    Scene *scene = Scene::GetCurrent();
    // A replayed Ctrl+S neither asks nor writes over the user's files.
    if (!scene || m_bPlayback)
        return false;
    QString name = saveAs ? QString() : scene->m_sFileName;
    while (name.isEmpty()) {
        if (!AskSaveFileName(name, Tr("Choose a file"), FileHost().GetSceneFolder(), Tr("Tevrin files (*.tev)")))
            return false;
        if (!name.isEmpty() && QFileInfo(name).suffix() != QLatin1String("tev")) {
            Warn(Tr("File extension must be tev"));
            name.clear();
        }
    }
    m_iCurrentKey = 0;
    m_iModifiers = 0;
    if (!QFileInfo(name).fileName().contains(QLatin1Char('.')))
        name += QStringLiteral(".tev");
    name = QFileInfo(name).absoluteFilePath();

    if (FileHost().KeepsBackup() && QFileInfo::exists(name)) {
        const QString backup = WithExtension(name, QStringLiteral(".bak"));
        QFile::remove(backup);
        if (!QFile::copy(name, backup))
            Log("Could not keep the backup %s\n", QFile::encodeName(backup).constData());
    }
    // The scene writes a temporary file and renames it over the old one only when it is
    // complete, so a failed save leaves the old file, the scene's name and the caption as
    // they were.
    const QString previousName = scene->m_sFileName;
    const bool saved = FileHost().CompressesScenes() ? scene->Save(name, true) : scene->Save(name, true, name);
    if (!saved) {
        scene->m_sFileName = previousName;
        return false;
    }
    InteractionHost().SetSceneCaption(name);
    InteractionHost().ResetSaveReminder();
    AddRecentFile(name);
    return true;
}

void Interface::NewScene()
{
    if (AskSaveModified(Tr("New scene")))
        return;
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    Log("Clear scene\n");
    m_lSelection.clear();
    SetActiveObject(nullptr);
    scene->Clear(true);
    InteractionHost().SetSceneCaption(QString());
    m_cHit = PickHit();
    Status("cleared.", 0);
    ClearHistory();
    InteractionHost().ResetSaveReminder();
    Redraw();
    InteractionHost().RefreshLayers();
    InteractionHost().RefreshObjectList();
    s_bUnrecordedChange = false;
}

void Interface::AddRecentFile(const QString &file) { FileHost().AddRecentFile(file); }

void Interface::OpenFile(bool import, const QString &fileName, int mode)
{
    m_iCurrentKey = 0;
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    if (mode != 0 && !m_pActiveObject) {
        Status("ERROR: An active object is needed for this operation!", 2);
        return;
    }
    if (mode == 2 && m_pActiveObject->m_pActiveLevel && m_pActiveObject->m_pActiveLevel->GetLevelIndex() != 0) {
        Status("ERROR: This operation can be used only on level 0 meshes!", 2);
        return;
    }
    QStringList files;
    if (!fileName.isEmpty()) {
        files << fileName;
    } else {
        // A replayed Ctrl+O opens no dialog: the file line recorded after it replays the choice.
        if (m_bPlayback)
            return;
        const QString filter =
            Tr("All Formats (*.tev *.obj *.bio);;Tevrin Scene (*.tev);;OBJ (*.obj);;Binary Objects (*.bio)");
        const QString folder = FileHost().GetSceneFolder();
        if (import)
            files = FileHost().GetOpenFileNames(Tr("Import file"), folder, filter);
        else if (const QString file = FileHost().GetOpenFileName(Tr("Open file"), folder, filter); !file.isEmpty())
            files << file;
        if (files.isEmpty())
            return;
    }
    m_iModifiers = 0;
    if (!import && AskSaveModified(Tr("Load Scene")))
        return;
    m_lSelection.clear();
    ImportChoice choice;
    if (mode == 0)
        SetActiveObject(nullptr);
    else if (!m_bPlayback && !FileHost().AskImportOptions(mode == 2, choice))
        return;

    bool anyOpened = false;
    for (const QString &file : files) {
        const QString name = QFileInfo(file).absoluteFilePath();
        FileHost().SetSceneFolder(QFileInfo(name).absolutePath());
        const QString suffix = QFileInfo(name).suffix().toUpper();
        if (suffix != QLatin1String("TEV") && suffix != QLatin1String("OBJ") && suffix != QLatin1String("BIO")) {
            Warn(Tr("Unknown file format"));
            break;
        }
        if (mode != 0) {
            anyOpened = ImportInto(name, suffix, mode, choice) || anyOpened;
            continue;
        }
        if (suffix == QLatin1String("OBJ") && m_pRecorder)
            m_pRecorder->WriteImport(name, import, 0);
        if (!OpenSceneOrMesh(*scene, name, suffix, import))
            continue;
        anyOpened = true;
        // Only a replacing load names the scene; a merged scene keeps its own name.
        if (!import || suffix != QLatin1String("TEV")) {
            if (!import)
                InteractionHost().SetSceneCaption(scene->m_sFileName);
            AddRecentFile(name);
        }
    }

    m_lSelection.clear();
    InteractionHost().RefreshObjectList();
    m_cHit = PickHit();
    if (anyOpened && !import)
        InteractionHost().ResetSaveReminder();
    if (mode == 0 && scene->GetObjectCount() == 1)
        SetActiveObject(scene->m_pObjects);
    if (mode == 1)
        InteractionHost().RefreshLayers();
    if (scene->m_pActiveCamera && InteractionHost().HasView()) {
        scene->m_pActiveCamera->ResetViewRegion(false);
        InteractionHost().RepaintView();
    }
}

bool Interface::ImportInto(const QString &name, const QString &suffix, int mode, const ImportChoice &choice)
{
    Scene *scene = Scene::GetCurrent();
    if (suffix == QLatin1String("TEV")) {
        // Reading a scene file would replace the scene's materials and history; a layer or
        // texture coordinates come from a mesh file.
        Status("ERROR: Layers and texture coordinates are imported from mesh files (.obj, .bio).", 2);
        return false;
    }
    if (m_pRecorder)
        m_pRecorder->WriteImport(name, true, mode);
    Object *first = scene->Import(name, true, suffix == QLatin1String("BIO"), false);
    if (!first)
        return false;
    Object *target = m_pActiveObject;
    if (mode == 1) {
        target->ImportLayer(*first, choice.matchMode, choice.isolate, choice.tolerance);
    } else {
        target->ImportUV(first, choice.matchMode, choice.tolerance);
        if (SubdivLevel *highest = target->GetHighestLevel(); highest && highest != target)
            highest->RecreateUVs(false);
    }
    DeleteChain(first);
    return true;
}

void Interface::Export(bool levels)
{
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    if (!scene->m_pObjects) {
        Status("ERROR: No objects in the scene.", 0);
        return;
    }
    if (!levels && !scene->HasSelectedFaces()) {
        Status("ERROR: Nothing is selected!", 2);
        return;
    }
    if (m_bPlayback)
        return;
    QString filter = Tr("Object files (*.obj);;Tevrin files (*.tev)");
    if (levels)
        filter.prepend(Tr("Binary Objects (*.bio);;"));
    // A typed ".obj" or ".bio" names the format a person wants, whatever filter is shown.
    const QStringList typedFormats =
        levels ? QStringList{QStringLiteral(".bio"), QStringLiteral(".obj")} : QStringList();
    QString name;
    while (name.isEmpty())
        if (!AskSaveFileName(name, Tr("Choose a file"), FileHost().GetExportFolder(), filter, typedFormats))
            return;
    m_iCurrentKey = 0;
    name = QFileInfo(name).absoluteFilePath();
    const QString suffix = QFileInfo(name).suffix().toLower();

    if (levels) {
        if (suffix == QLatin1String("tev")) {
            Status("To export as .tev please choose Export Selection function", 2);
            return;
        }
        std::vector<SubdivLevel *> list;
        bool uv = false;
        for (Object *object = scene->m_pObjects; object; object = object->m_pNextObject)
            for (SubdivLevel *level = object; level; level = level->m_pNext)
                if (level->m_iSelectedFaces > 0) {
                    list.push_back(level);
                    uv = uv || level->m_iTCCount > 0;
                }
        ExportChoice choice;
        if (!FileHost().AskExportOptions(list.size() > 1, uv, choice))
            return;
        if (list.empty())
            Status("You must select a level to export!", 2);
        else
            scene->ExportLevels(name, choice.perLevelFiles, choice.regenerate, choice.texCoords, list);
        return;
    }
    if (suffix == QLatin1String("tev")) {
        // A partial export is no save: the scene keeps its own name and unsaved state.
        const QString sceneName = scene->m_sFileName;
        const bool modified = scene->m_bModified;
        scene->Save(name, false);
        scene->m_sFileName = sceneName;
        scene->m_bModified = modified;
    } else if (suffix == QLatin1String("obj")) {
        scene->ExportFaces(name, true);
    } else {
        Status("Incorrect file type for Export Selection", 2);
    }
}

void Interface::RunCommandOption(const char *name)
{
    try {
        m_cEventHandler.OnUserEvent(eventMenuOption, name);
    } catch (const General::Error &error) {
        General::Shell().SetStatusMessage(error.GetMessage(), 2);
    }
}
