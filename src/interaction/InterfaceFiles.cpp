// Opening and saving from the controller: the command line, the recent files and the
// file commands open through OpenFile, and closing or replacing a scene asks first.
#include "interaction/Interface.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

#include <QFile>
#include <QFileInfo>

namespace {
QString Tr(const char *text) { return QString::fromLatin1(text); }
}  // namespace

void Interface::RunCommandOption(const char *name)
{
    try {
        m_cEventHandler.OnUserEvent(eventMenuOption, name);
    } catch (const General::Error &error) {
        General::Shell().SetStatusMessage(error.GetMessage(), 2);
    }
}

bool Interface::AskSaveModified(const QString &caption)
{
    const Scene *scene = Scene::GetCurrent();
    if (!scene || !scene->m_bModified)
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
    // Choosing a new name is the save-as dialog's; a scene without a name is not saved here.
    if (!scene || saveAs || scene->m_sFileName.isEmpty()) {
        Log("The scene has no file name to save to\n");
        return false;
    }
    m_iCurrentKey = 0;
    m_iModifiers = 0;
    const QString name = scene->m_sFileName;
    const bool saved = scene->Save(name, true);
    InteractionHost().SetSceneCaption(name);
    if (saved)
        InteractionHost().ResetSaveReminder();
    return saved;
}

void Interface::OpenFile(bool import, const QString &fileName, int mode)
{
    m_iCurrentKey = 0;
    // The file dialog and the layer and UV imports belong to the file commands.
    if (fileName.isEmpty() || mode != 0)
        return;
    m_iModifiers = 0;
    if (!import && AskSaveModified(Tr("Load Scene")))
        return;
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    m_lSelection.clear();
    SetActiveObject(nullptr);

    const QString name = QFileInfo(fileName).absoluteFilePath();
    const QString suffix = QFileInfo(name).suffix().toUpper();
    if (suffix == QLatin1String("TEV")) {
        if (scene->Load(name, import, true)) {
            InteractionHost().SetSceneCaption(name);
            if (!import)
                InteractionHost().ResetSaveReminder();
        }
    } else if (suffix == QLatin1String("OBJ") || suffix == QLatin1String("BIO")) {
        // A mesh opened in place of the scene starts a new piece of work, as a loaded scene does.
        if (scene->Import(name, import, suffix == QLatin1String("BIO"), true) && !import)
            InteractionHost().ResetSaveReminder();
    } else {
        General::Shell().ShowMessage(General::ShellServices::kWarning, Tr("Error"), Tr("Unknown file format"));
        return;
    }

    m_lSelection.clear();
    InteractionHost().RefreshObjectList();
    if (scene->GetObjectCount() == 1)
        SetActiveObject(scene->m_pObjects);
    if (scene->m_pActiveCamera && InteractionHost().HasView()) {
        scene->m_pActiveCamera->ResetViewRegion(false);
        InteractionHost().RepaintView();
    }
}

QString Interface::PlayBenchmark(const QString &name)
{
    // Playback of recorded scripts belongs to the benchmark commands; nothing is played yet.
    Log("Benchmark %s: playback is not available\n", QFile::encodeName(name).constData());
    return QString();
}
