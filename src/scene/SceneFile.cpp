// Saving and loading scene files. A save writes a temporary file next to the target and
// renames it over the target only when every byte reached the disk; a load reads into a
// scratch scene and takes its contents only when the whole record was read.
#include "scene/Scene.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "platform/TempFiles.h"
#include "platform/WholeFiles.h"
#include "platform/ZipArchive.h"
#include "scene/SceneServices.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Scene", text); }

bool IsArchiveName(const QString &name) { return name.endsWith(QStringLiteral(".tev"), Qt::CaseInsensitive); }

// A file that exists and that nobody may write, or not this user.
bool IsReadOnly(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    return ::stat(name.constData(), &info) == 0 && ((info.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0);
}

// The hidden files a save makes next to its target: the finished file before its rename,
// and the stream that goes into an archive.
QString SavePrefix(const QFileInfo &target) { return QStringLiteral(".") + target.fileName() + QStringLiteral("."); }
QString StreamPrefix(const QFileInfo &target) { return SavePrefix(target) + QStringLiteral("stream."); }
const QString kLoadPrefix = QStringLiteral("tevload.");

}  // namespace

bool Scene::Save(const QString &sceneName, bool wholeScene, const QString &file)
{
    General::ShellServices &shell = General::Shell();
    m_sFileName = sceneName;
    shell.SetStatusMessage(Tr("saving..."), 0);
    // A link's regular target is replaced, so that the link stays; anything else is refused.
    QString refusal;
    const QString target = SaveTargetOf(file.isEmpty() ? sceneName : file, &refusal);
    if (target.isEmpty()) {
        Log("%s\n", refusal.toUtf8().constData());
        shell.CriticalMessage(refusal);
        shell.SetStatusMessage(Tr("save error"), 0);
        return false;
    }
    const QFileInfo info(target);
    if (IsReadOnly(target)) {
        Log("Scene file %s is read-only and was not replaced\n", QFile::encodeName(target).constData());
        shell.CriticalMessage(Tr("Cannot open file for output!"));
        shell.SetStatusMessage(Tr("save error"), 0);
        return false;
    }
    // What saves that were killed left here goes first.
    RemoveStaleTempFiles(info.absolutePath(), SavePrefix(info));
    RemoveStaleTempFiles(info.absolutePath(), StreamPrefix(info));
    bool ok = false;
    if (!file.isEmpty() || !IsArchiveName(sceneName)) {
        ok = SavePlain(target, wholeScene);
    } else {
        // The stream goes next to the archive (the same disk), then into it. It is read
        // back at once and removed, so only the archive needs to reach the disk; the
        // archive is written to a temporary file and renamed over the target.
        const QString stream = OwnTempFileName(info.absolutePath(), StreamPrefix(info));
        ok = !stream.isEmpty() && WriteStream(stream, target, wholeScene);
        if (stream.isEmpty())
            shell.CriticalMessage(Tr("Cannot open file for output!"));
        if (ok) {
            ZipArchive zip;
            ok = zip.Create(target) && zip.AddFile(stream, info.completeBaseName()) && zip.Compress(1) && zip.Close();
            if (!ok) {
                Log("%s\n", zip.GetLastError().toLocal8Bit().constData());
                shell.CriticalMessage(zip.GetLastError());
            }
        }
        if (!stream.isEmpty())
            QFile::remove(stream);
    }
    if (!ok) {
        shell.SetStatusMessage(Tr("save error"), 0);
        return false;
    }
    m_bModified = false;
    shell.SetStatusMessage(Tr("ready"), 0);
    return true;
}

bool Scene::SavePlain(const QString &target, bool wholeScene)
{
    const QFileInfo info(target);
    const QString temp = OwnTempFileName(info.absolutePath(), SavePrefix(info));
    if (temp.isEmpty()) {
        General::Shell().CriticalMessage(Tr("Cannot open file for output!"));
        return false;
    }
    if (!WriteStream(temp, target, wholeScene)) {
        QFile::remove(temp);
        return false;
    }
    if (!ReplaceWithTempFile(temp, target)) {
        General::Shell().CriticalMessage(Tr("Cannot open file for output!"));
        return false;
    }
    return true;
}

bool Scene::WriteStream(const QString &file, const QString &target, bool wholeScene)
{
    // The objects' memory is what the stream will mostly hold: the display's total.
    uint64_t total = 0;
    for (const Object *object = m_pObjects; object; object = object->m_pNextObject)
        total += object->GetMemorySize();
    Stream stream(file, true, total);
    if (!stream.IsOpen())
        return false;
    stream.SetReportedName(target);
    Log("Saving to file %s, version %d\n", QFile::encodeName(m_sFileName).constData(), stream.GetVersion());
    stream.SetWholeScene(wholeScene);
    const bool ok = Serialize(stream);
    unsigned short end = 0;
    stream.Serialize(end);
    return stream.Flush() && ok;
}

bool Scene::Load(const QString &sceneName, bool merge, bool useCamera, const QString &file)
{
    General::ShellServices &shell = General::Shell();
    shell.SetStatusMessage(Tr("loading..."), 0);
    // A recorded session replays the load, and whether it merged, from this line.
    SceneHost().RecordBenchmarkLine(QStringLiteral("loadtev \"%1\" %2").arg(sceneName).arg(merge ? 1 : 0));
    const QString path = file.isEmpty() ? sceneName : file;
    bool ok = false;
    if (!ZipArchive::LooksLikeZip(path)) {
        ok = LoadPlain(sceneName, path, merge, useCamera);
    } else {
        // Only entry 0 is taken, and under a name of ours: the names inside the archive decide nothing.
        ZipArchive zip;
        // The unpacked streams of loads that were killed go first.
        RemoveStaleTempFiles(shell.TempFolder(), kLoadPrefix);
        const QString stream = OwnTempFileName(shell.TempFolder(), kLoadPrefix);
        if (stream.isEmpty() || !zip.Open(path) || !zip.ExtractFirst(stream)) {
            Log("Cannot unpack %s: %s\n", QFile::encodeName(path).constData(), zip.GetLastError().toLocal8Bit().constData());
            shell.CriticalMessage(zip.LackedDiskSpace() ? Tr("The scene cannot be opened: not enough disk space.")
                                                        : Tr("Cannot open file for input!"));
        } else {
            zip.Close();
            ok = LoadPlain(sceneName, stream, merge, useCamera);
        }
        if (!stream.isEmpty())
            QFile::remove(stream);
    }
    shell.SetStatusMessage(ok ? Tr("done.") : Tr("load error"), 0);
    return ok;
}

bool Scene::LoadPlain(const QString &sceneName, const QString &file, bool merge, bool useCamera)
{
    General::ShellServices &shell = General::Shell();
    std::unique_ptr<Stream> stream;
    try {
        stream = std::make_unique<Stream>(file, false);
    } catch (const General::Error &error) {
        Log("%s\n", error.GetMessage().toLocal8Bit().constData());
        shell.CriticalMessage(error.GetMessage());
        return false;
    }
    if (!stream->IsOpen()) {
        shell.CriticalMessage(Tr("Cannot open file for input!"));
        return false;
    }
    Log("Loading file %s, version %d\n", QFile::encodeName(sceneName).constData(), stream->GetVersion());
    stream->SetWholeScene(useCamera);

    Surface::MaterialList &materials = Surface::Materials();
    std::vector<Surface::Material *> oldMaterials;
    for (int i = 0; i < materials.Count(); ++i)
        oldMaterials.push_back(materials.At(i));
    Camera *const viewCamera = SceneHost().GetViewCamera();

    Scene scratch;
    // The file names levels by ids of the scene it was saved from, which this one stands for.
    scratch.m_iSerial = m_iSerial;
    bool read = false;
    try {
        read = scratch.Serialize(*stream);
    } catch (const std::bad_alloc &) {
        Log("Not enough memory to load scene file %s\n", QFile::encodeName(file).constData());
        SceneHost().SetViewCamera(viewCamera);
        shell.CriticalMessage(Tr("Not enough memory to load this scene."));
        return false;
    }
    if (!read) {
        Log("Scene file %s is damaged and was not loaded\n", QFile::encodeName(file).constData());
        SceneHost().SetViewCamera(viewCamera);
        shell.CriticalMessage(Tr("The scene file is damaged and was not loaded."));
        return false;
    }
    if (merge) {
        Merge(scratch);
        SceneHost().SetViewCamera(m_pActiveCamera);
        Surface::Material *first = materials.First();
        for (Object *o = m_pObjects; o; o = o->m_pNextObject)
            if (!o->GetMaterial() && first)
                o->m_aMaterial.SetValue(first, true);
        m_bModified = true;
        return true;
    }
    TakeContents(scratch);
    // The old scene's materials go with it; the file's stay.
    for (Surface::Material *material : oldMaterials)
        materials.Remove(material);
    if (materials.Count() == 0)
        Surface::InitMaterials();
    m_sFileName = sceneName;
    if (m_pObjects && !HasOctree())
        BuildOctrees(m_pObjects);
    m_bModified = false;
    return true;
}

void Scene::TakeContents(Scene &other)
{
    SceneHost().EndCurveEditing();
    DeleteContents(false);
    SceneHost().ClearHistory();
    SceneHost().ReleasePropertyWindows();
    m_pObjects = std::exchange(other.m_pObjects, nullptr);
    m_pCameras = std::exchange(other.m_pCameras, nullptr);
    m_pActiveCamera = std::exchange(other.m_pActiveCamera, nullptr);
    m_pLights = std::exchange(other.m_pLights, nullptr);
    m_pCurrentLight = std::exchange(other.m_pCurrentLight, nullptr);
    m_pCurves = std::exchange(other.m_pCurves, nullptr);
    m_pCurrentCurve = std::exchange(other.m_pCurrentCurve, nullptr);
    m_pSelectionSets = std::exchange(other.m_pSelectionSets, nullptr);
    m_fAmbientLevel = other.m_fAmbientLevel;
    m_iCameraCount = std::exchange(other.m_iCameraCount, 0);
    m_iLightCount = std::exchange(other.m_iLightCount, 0);
    m_iObjectCount = std::exchange(other.m_iObjectCount, 0);
    m_iCurveCount = std::exchange(other.m_iCurveCount, 0);
    SceneHost().MoveSceneNodes(other, *this);
}
