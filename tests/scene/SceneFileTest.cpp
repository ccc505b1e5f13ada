#include "SceneFixtures.h"

#include "foundation/curves/NURBSCurve.h"
#include "foundation/Memory.h"
#include "foundation/Stream.h"
#include "mesh/surface/Material.h"
#include "platform/DiskSpace.h"
#include "platform/ZipArchive.h"
#include "scene/Brush.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

int RunProgram(const QString &program, const QStringList &arguments, const QString &folder = QString())
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Writes files of older versions: the header says `version`, and every record routine
// that the file is built with sees that version.
class OldStream : public Stream {
public:
    OldStream(const QString &path, int version) : Stream(path, true)
    {
        m_iVersion = version;
        Seek(0);
        Write(&version, 4);
    }
};

// Keeps camera bookmarks the way the trays would: the file's bookmarks arrive here.
class BookmarkServices : public RecordingSceneServices {
public:
    std::vector<CameraBookmark> GetCameraBookmarks() const override { return saved; }
    void StoreCameraBookmark(const QString &tray, const QString &item, const Camera &camera) override
    {
        stored.push_back({tray, item, camera.m_sCameraName, camera.m_aTranslate.GetValue()});
    }
    struct Stored {
        QString tray;
        QString item;
        QString camera;
        General::Vector translate;
    };
    bool GetLoadTools() const override { return loadTools; }
    // Stands for an allocation that fails in the middle of reading a file.
    bool SerializeLiveView(Stream &stream) override
    {
        if (!stream.IsStoring() && failInView)
            throw std::bad_alloc();
        return false;
    }
    bool failInView = false;
    void WriteSceneNodes(Stream &, Scene &, int, bool wholeScene) override { nodeWrites.push_back(wholeScene); }
    std::vector<bool> nodeWrites;
    std::vector<CameraBookmark> saved;
    std::vector<Stored> stored;
    bool loadTools = false;
};

// File size limit for this process: writes beyond it fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_previous);
    }

private:
    rlimit m_old{};
    void (*m_previous)(int) = nullptr;
};

class SceneFile : public testing::Test {
protected:
    void SetUp() override
    {
        InitializeSceneGlobals();
        FreshScene();
        ASSERT_TRUE(m_dir.isValid());
        Recorder().tempFolder = m_dir.filePath(QStringLiteral("tmp"));
        QDir().mkpath(Recorder().tempFolder);
    }
    void TearDown() override
    {
        m_scene.reset();
        Recorder().tempFolder.clear();
    }

    // The previous scene goes first: a scene hands "current" back to the one before it.
    void FreshScene()
    {
        m_scene.reset();
        Scene::s_iCounter = 0;
        m_scene = std::make_unique<Scene>();
    }

    QString Path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Two objects of two levels, a named material, the default cameras with the third
    // active, two lights, a closed curve, a selection set and a bookmark.
    void Populate()
    {
        CreateDefaultFalloffs();
        auto *material = new Surface::Material(1);
        material->SetTransparency(0.25f);
        ASSERT_TRUE(Surface::Materials().Append(material));
        for (int i = 0; i < 2; ++i) {
            Object *object = MakeLeveledObject({2, 8}).release();
            object->SetObjectName(QStringLiteral("object%1").arg(i));
            m_scene->AddObject(object);
        }
        m_scene->GetObject(1)->m_aMaterial.SetValue(material, true);
        // As a loaded scene has them.
        Scene::BuildOctrees(m_scene->m_pObjects);
        m_scene->CreateDefaultCameras();
        int position = 0;
        for (Camera *c = m_scene->m_pCameras; c; c = c->m_pNext.get())
            if (position++ == 2)
                m_scene->m_pActiveCamera = c;
        for (int i = 0; i < 2; ++i) {
            auto *light = new Light();
            light->m_sLightName = QStringLiteral("light%1").arg(i);
            light->m_fIntensity = 0.25f + float(i);
            m_scene->AddLight(light);
        }
        auto *curve = new General::NURBSCurve(2);
        for (int i = 0; i < 4; ++i)
            curve->InsertControlPoint(General::Vector(float(i), float(i * i), 1.0f), -1);
        m_scene->AddCurve(curve);
        m_scene->m_fAmbientLevel = 0.375f;
        SelectFace(*m_scene->GetObject(0)->GetLevel(1), 3);
        SelectFace(*m_scene->GetObject(0)->GetLevel(1), 5);
        m_scene->CreateSelectionSet(QStringLiteral("marked"), true);

        m_bookmark.m_sCameraName = QStringLiteral("close-up");
        m_bookmark.SetTranslate(General::Vector(1, 2, 3));
        m_services.saved.push_back({QStringLiteral("Views"), QStringLiteral("front"), &m_bookmark});
    }

    BookmarkServices m_services;
    QTemporaryDir m_dir;
    std::unique_ptr<Scene> m_scene;
    Camera m_bookmark;
};

TEST_F(SceneFile, ArchiveRoundTripGivesAnEqualScene)
{
    Populate();
    const QString plain = Path("scene.stream");
    const QString archive = Path("scene.tev");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("scene"), true, plain));
    ASSERT_TRUE(m_scene->Save(archive, true));
    EXPECT_FALSE(m_scene->m_bModified);
    EXPECT_EQ(RunProgram(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}), 0);
    // Nothing of the save is left next to the file.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    ASSERT_TRUE(m_scene->Load(archive, false, true));
    EXPECT_EQ(m_scene->m_sFileName, archive);
    ASSERT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_TRUE(m_scene->GetObject(1)->GetName().startsWith(QStringLiteral("object1 ")));
    ASSERT_NE(m_scene->GetObject(1)->GetMaterial(), nullptr);
    EXPECT_EQ(m_scene->GetObject(1)->GetMaterial()->GetIndex(), 1);
    EXPECT_FLOAT_EQ(m_scene->GetObject(1)->GetMaterial()->m_aTransparency.GetValue(), 0.25f);
    EXPECT_EQ(m_scene->GetObject(0)->GetLevel(1)->m_iFaceCount, 8u);
    EXPECT_EQ(m_scene->m_iCameraCount, 4);
    EXPECT_EQ(m_scene->m_pActiveCamera->m_sCameraName, QStringLiteral("Side"));
    EXPECT_EQ(m_services.viewCamera, m_scene->m_pActiveCamera);
    ASSERT_EQ(m_scene->m_iLightCount, 2);
    EXPECT_EQ(m_scene->m_pLights->m_pNext->m_sLightName, QStringLiteral("light1"));
    EXPECT_FLOAT_EQ(m_scene->m_fAmbientLevel, 0.375f);
    ASSERT_NE(m_scene->m_pCurves, nullptr);
    EXPECT_EQ(m_scene->m_pCurves->GetControlPointCount(), 4);
    ASSERT_NE(m_scene->m_pSelectionSets, nullptr);
    EXPECT_EQ(m_scene->m_pSelectionSets->m_sSetName, QStringLiteral("marked"));
    ASSERT_EQ(m_services.stored.size(), 1u);
    EXPECT_EQ(m_services.stored[0].tray, QStringLiteral("Views"));
    EXPECT_EQ(m_services.stored[0].item, QStringLiteral("front"));
    EXPECT_EQ(m_services.stored[0].camera, QStringLiteral("close-up"));
    EXPECT_EQ(m_services.stored[0].translate, General::Vector(1, 2, 3));
    EXPECT_TRUE(m_scene->HasOctree());

    ASSERT_EQ(m_scene->m_pSelectionSets->m_aEntries.size(), 1u);
    const SelectionSet::Entry &entry = *m_scene->m_pSelectionSets->m_aEntries[0];
    EXPECT_EQ(entry.level, m_scene->GetObject(0)->GetLevel(1));
    ASSERT_EQ(entry.faces.GetItemCount(), 2u);
    EXPECT_EQ(entry.faces[0] + entry.faces[1], 8u);
    EXPECT_EQ(SelectedFaces(*m_scene->GetObject(0)->GetLevel(1)), (std::vector<unsigned>{3, 5}));
}

TEST_F(SceneFile, ArchivesOfTheSystemZipLoad)
{
    Populate();
    ASSERT_TRUE(m_scene->Save(QStringLiteral("s"), true, Path("scene.stream")));
    ASSERT_EQ(RunProgram(QStringLiteral("zip"), {QStringLiteral("-1q"), QStringLiteral("made.tev"), QStringLiteral("scene.stream")},
                  m_dir.path()),
              0);
    FreshScene();
    ASSERT_TRUE(m_scene->Load(Path("made.tev"), false, true));
    EXPECT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_EQ(m_scene->m_iLightCount, 2);
}

TEST_F(SceneFile, EntryNamesOfAnArchiveDecideNothing)
{
    Populate();
    ASSERT_TRUE(m_scene->Save(QStringLiteral("s"), true, Path("scene.stream")));
    ZipArchive zip;
    ASSERT_TRUE(zip.Create(Path("evil.tev")));
    ASSERT_TRUE(zip.AddFile(Path("scene.stream"), QStringLiteral("../../escaped")));
    ASSERT_TRUE(zip.AddFile(Path("scene.stream"), m_dir.filePath(QStringLiteral("absolute"))));
    ASSERT_TRUE(zip.Close());
    QFile::remove(Path("scene.stream"));

    FreshScene();
    ASSERT_TRUE(m_scene->Load(Path("evil.tev"), false, true));
    EXPECT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("../escaped"))));
    EXPECT_FALSE(QFile::exists(Path("absolute")));
    // The unpacked stream does not stay behind.
    EXPECT_TRUE(QDir(Recorder().tempFolder).entryList({QStringLiteral("tevload*")}, QDir::Files).isEmpty());
}

TEST_F(SceneFile, FailedSaveLeavesTheOldFileAsItWas)
{
    Populate();
    for (const char *name : {"keep.stream", "keep.tev"}) {
        const QString path = Path(name);
        const QByteArray old = QByteArrayLiteral("the old file, byte for byte");
        WriteAll(path, old);
        m_scene->m_bModified = true;
        Recorder().messages.clear();
        bool saved = true;
        {
            FileSizeLimit limit(200);
            saved = QString::fromLatin1(name).endsWith(QStringLiteral(".tev")) ? m_scene->Save(path, true)
                                                                               : m_scene->Save(QStringLiteral("k"), true, path);
        }
        EXPECT_FALSE(saved) << name;
        EXPECT_TRUE(m_scene->m_bModified) << name;
        EXPECT_EQ(ReadAll(path), old) << name;
        EXPECT_TRUE(Recorder().statusMessages.contains(QStringLiteral("save error"))) << name;
        // One box, naming the file the person saved to (not the temporary file).
        EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("Could not write to file %1. Disk may be full.").arg(path)}) << name;
        // No temporary file is left behind.
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QString::fromLatin1(name)})
            << name;
        QFile::remove(path);
    }
}

TEST_F(SceneFile, EveryLoadIsRecordedForBenchmarkReplay)
{
    Populate();
    const QString archive = Path("with space.tev");
    ASSERT_TRUE(m_scene->Save(archive, true));
    ASSERT_TRUE(m_scene->Load(archive, false, true));
    // Written before the file is opened: a load that then fails is replayed as it happened.
    EXPECT_FALSE(m_scene->Load(Path("missing.tev"), true, true));
    // The merge flag follows the path, so a merge replays as a merge.
    const std::vector<QString> expected = {QStringLiteral("loadtev \"%1\" 0").arg(archive),
                                           QStringLiteral("loadtev \"%1\" 1").arg(Path("missing.tev"))};
    EXPECT_EQ(m_services.benchmarkLines, expected);
}

TEST_F(SceneFile, ASaveShowsItsProgressAgainstTheObjectsMemory)
{
    // Large enough for the stream to write a store in steps the display follows.
    Object *object = MakeLeveledObject({200000}).release();
    m_scene->AddObject(object);
    Object *small = MakeLeveledObject({2, 8}).release();
    m_scene->AddObject(small);
    const uint64_t total = object->GetMemorySize() + small->GetMemorySize();
    const qsizetype before = Recorder().progressTexts.size();
    ASSERT_TRUE(m_scene->Save(QStringLiteral("big"), true, Path("big.stream")));
    const qsizetype writing = Recorder().progressTexts.indexOf(QStringLiteral("writing..."), before);
    ASSERT_GE(writing, 0);
    EXPECT_EQ(Recorder().progressTotals[size_t(writing)], total);
}

TEST_F(SceneFile, DamagedFilesLeaveTheSceneAsItWas)
{
    Populate();
    const QString good = Path("good.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("good"), true, good));
    const QByteArray bytes = ReadAll(good);
    m_scene->m_bModified = true;
    Object *const first = m_scene->GetObject(0);
    const int materials = Surface::Materials().Count();

    QByteArray huge = bytes.left(4);
    const int count = 0x7fffffff;
    huge.append(reinterpret_cast<const char *>(&count), 4);
    QByteArray newer = bytes;
    const int version = Stream::kCurrentVersion + 1;
    newer.replace(0, 4, QByteArray(reinterpret_cast<const char *>(&version), 4));
    QByteArray zipped;
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.Create(Path("cut.tev")) && zip.AddFile(good) && zip.Compress(1) && zip.Close());
        zipped = ReadAll(Path("cut.tev"));
    }
    struct Case {
        const char *what;
        QByteArray file;
        const char *name;
    };
    std::vector<Case> cases = {{"object count beyond the file", huge, "bad.stream"},
                               {"newer version", newer, "bad.stream"},
                               {"header only", bytes.left(4), "bad.stream"},
                               {"damaged archive", zipped.left(zipped.size() / 2), "bad.tev"}};
    for (qsizetype cut : {8, 40, 400, int(bytes.size() / 2), int(bytes.size() - 40), int(bytes.size() - 6)})
        cases.push_back({"truncated", bytes.left(cut), "bad.stream"});

    const QString reference = Path("reference.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("good"), true, reference));
    m_scene->m_bModified = true;
    for (const Case &c : cases) {
        WriteAll(Path(c.name), c.file);
        m_services.stored.clear();
        EXPECT_FALSE(m_scene->Load(Path(c.name), false, true)) << c.what << " " << c.file.size();
        EXPECT_EQ(m_scene->GetObject(0), first) << c.what;
        EXPECT_TRUE(m_scene->m_bModified) << c.what;
        EXPECT_EQ(Surface::Materials().Count(), materials) << c.what;
        EXPECT_TRUE(m_services.stored.empty()) << c.what;
        EXPECT_FALSE(Recorder().messages.isEmpty()) << c.what;
    }
    const QString after = Path("after.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("good"), true, after));
    EXPECT_EQ(ReadAll(after), ReadAll(reference));
}

QByteArray Int(int value) { return QByteArray(reinterpret_cast<const char *>(&value), 4); }

// Small files that ask for many records: each is refused before the records are made,
// or at the first record that is not there.
TEST_F(SceneFile, CountsThatTheFileCannotHoldAreRefusedAtOnce)
{
    Populate();
    const QString good = Path("good.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("good"), true, good));
    const QByteArray bytes = ReadAll(good);
    Object *const first = m_scene->GetObject(0);
    const int materials = Surface::Materials().Count();
    const QByteArray version = Int(Stream::kCurrentVersion), padding(1100, '\0');
    const QByteArray noTools = Int(0);  // tool count
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"a million objects", version + Int(1000000) + Int(0) + Int(0) + Int(0) + padding},
        {"a million cameras", version + Int(0) + Int(1000000) + Int(0) + Int(0) + padding},
        {"a million lights", version + Int(0) + Int(0) + Int(0) + Int(1000000) + padding},
        {"a million tools", version + Int(0) + Int(0) + Int(0) + Int(0) + Int(1000000) + padding},
        {"a million materials", version + Int(0) + Int(0) + Int(0) + Int(0) + noTools + Int(1000000) + padding},
        // Each count alone fits, together they do not.
        {"objects, cameras and lights together", version + Int(20) + Int(10) + Int(0) + Int(10) + padding},
        // Counts that fit, records that are not there.
        {"forty objects of zeros", version + Int(40) + Int(0) + Int(0) + Int(0) + noTools + Int(0) + padding},
        {"a file of 170 bytes", bytes.left(12) + Int(6) + QByteArray(154, '\x01')},
    };
    // A record of zeros fails the mesh record's own consistency check before it is refused.
    Recorder().ExpectAssertionFailures();
    for (const auto &[what, file] : cases) {
        WriteAll(Path("hostile.stream"), file);
        Recorder().Clear();
        EXPECT_FALSE(m_scene->Load(Path("hostile.stream"), false, true)) << what;
        EXPECT_EQ(m_scene->GetObject(0), first) << what;
        EXPECT_EQ(Surface::Materials().Count(), materials) << what;
        EXPECT_TRUE(Recorder().messages.contains(QStringLiteral("The scene file is damaged and was not loaded.")))
            << what;
    }
}

TEST_F(SceneFile, ALoadWithoutMemoryIsRefusedAndChangesNothing)
{
    Populate();
    const QString file = Path("memory.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("memory"), true, file));
    const QString reference = Path("reference.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("memory"), true, reference));
    Object *first = m_scene->GetObject(0);
    const int materials = Surface::Materials().Count();
    bool loaded = false;
    unsigned refused = 0;
    for (uint64_t room = 0; room < 4000000 && !loaded; room += room < 65536 ? 2048 : 65536) {
        Recorder().Clear();
        General::SetMemoryLimit(General::GetCountedMemory() + room);
        loaded = m_scene->Load(file, false, true);
        General::SetMemoryLimit(~uint64_t(0));
        if (loaded)
            break;
        ++refused;
        EXPECT_EQ(m_scene->GetObject(0), first) << room;
        EXPECT_EQ(Surface::Materials().Count(), materials) << room;
        EXPECT_FALSE(Recorder().messages.isEmpty()) << room;
        ASSERT_TRUE(m_scene->Save(QStringLiteral("memory"), true, Path("after.stream")));
        EXPECT_EQ(ReadAll(Path("after.stream")), ReadAll(reference)) << room;
    }
    EXPECT_TRUE(loaded);
    EXPECT_GT(refused, 0u);

    // Memory the system refuses in the middle of the read: the load says so and the scene,
    // with its materials, stays as it was.
    first = m_scene->GetObject(0);
    m_services.failInView = true;
    Recorder().Clear();
    EXPECT_FALSE(m_scene->Load(file, false, true));
    m_services.failInView = false;
    EXPECT_EQ(m_scene->GetObject(0), first);
    EXPECT_EQ(Surface::Materials().Count(), materials);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("Not enough memory to load this scene.")});
}

mode_t Mode(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? mode_t(info.st_mode & 07777) : mode_t(0);
}

// What a save finds on disk: links, read-only files, permissions, the umask, and what
// saves and loads that were killed left behind.
TEST_F(SceneFile, SavesRespectWhatIsOnDisk)
{
    Populate();
    // Through a link the file it names is written, and the link stays.
    const QString real = Path("real.tev"), link = Path("link.tev");
    ASSERT_TRUE(m_scene->Save(real, true));
    ASSERT_TRUE(QFile::link(real, link));
    WriteAll(real, "old");
    ASSERT_TRUE(m_scene->Save(link, true));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(ZipArchive::LooksLikeZip(real));

    // A replaced file keeps its permission bits; a new one takes what the umask leaves.
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0604), 0);
    ASSERT_TRUE(m_scene->Save(real, true));
    EXPECT_EQ(Mode(real), mode_t(0604));
    const mode_t mask = ::umask(027);
    const bool saved = m_scene->Save(Path("new.tev"), true) && m_scene->Save(QStringLiteral("n"), true, Path("new.stream"));
    ::umask(mask);
    EXPECT_TRUE(saved);
    EXPECT_EQ(Mode(Path("new.tev")), mode_t(0640));
    EXPECT_EQ(Mode(Path("new.stream")), mode_t(0640));

    // A read-only file is not replaced.
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0444), 0);
    const QByteArray before = ReadAll(real);
    Recorder().messages.clear();
    m_scene->m_bModified = true;
    EXPECT_FALSE(m_scene->Save(real, true));
    EXPECT_EQ(ReadAll(real), before);
    EXPECT_TRUE(m_scene->m_bModified);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("Cannot open file for output!")});

    // Hidden files of a save whose process is gone go; those of a running one stay.
    const QString dead = QStringLiteral("%1.abcdef").arg(0x3FFFFF);
    const QString alive = QStringLiteral("%1.abcdef").arg(::getpid());
    const QStringList stale = {Path(".new.tev.") + dead, Path(".new.tev.stream.") + dead};
    const QString running = Path(".new.tev.") + alive;
    for (const QString &file : stale + QStringList{running})
        WriteAll(file, "partial");
    ASSERT_TRUE(m_scene->Save(Path("new.tev"), true));
    for (const QString &file : stale)
        EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
    EXPECT_TRUE(QFile::exists(running));
    const QString unpacked = QDir(Recorder().TempFolder()).filePath(QStringLiteral("tevload.") + dead);
    WriteAll(unpacked, "partial");
    ASSERT_TRUE(m_scene->Load(Path("new.tev"), false, true));
    EXPECT_FALSE(QFile::exists(unpacked));
}

TEST_F(SceneFile, AnArchiveThatTheDiskCannotHoldUnpackedIsRefusedAsSuch)
{
    Populate();
    const QString archive = Path("big.tev");
    ASSERT_TRUE(m_scene->Save(archive, true));
    Object *const first = m_scene->GetObject(0);
    SetDiskSpaceLimit(100);
    Recorder().Clear();
    EXPECT_FALSE(m_scene->Load(archive, false, true));
    SetDiskSpaceLimit(~uint64_t(0));
    EXPECT_EQ(m_scene->GetObject(0), first);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("The scene cannot be opened: not enough disk space.")});
}

TEST_F(SceneFile, MergeAddsObjectsAndCurvesAndKeepsCamerasAndLights)
{
    Populate();
    const QString file = Path("other.tev");
    ASSERT_TRUE(m_scene->Save(file, true));
    m_scene->m_bModified = false;
    Camera *const active = m_scene->m_pActiveCamera;
    ASSERT_TRUE(m_scene->Load(file, true, true));
    EXPECT_EQ(m_scene->GetObjectCount(), 4);
    EXPECT_EQ(m_scene->m_pCurves->GetNext() != nullptr, true);
    EXPECT_EQ(m_scene->m_iCameraCount, 4);
    EXPECT_EQ(m_scene->m_iLightCount, 2);
    EXPECT_EQ(m_scene->m_pActiveCamera, active);
    EXPECT_EQ(m_services.viewCamera, active);
    EXPECT_TRUE(m_scene->m_bModified);
}

TEST_F(SceneFile, SelectionSaveWritesOnlyObjectsWithSelectedFaces)
{
    Populate();
    const QString file = Path("part.stream");
    ASSERT_TRUE(m_scene->Save(file, false));
    FreshScene();
    m_services.viewCamera = nullptr;
    ASSERT_TRUE(m_scene->Load(file, false, false));
    ASSERT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_TRUE(m_scene->GetObject(0)->GetName().startsWith(QStringLiteral("object0 ")));
    EXPECT_EQ(m_scene->m_iCameraCount, 4);
    // Without use-camera the view keeps its camera.
    EXPECT_EQ(m_services.viewCamera, nullptr);
}

TEST_F(SceneFile, SelectionSaveBindsSetsToTheObjectsItWrites)
{
    Populate();
    SubdivLevel &other = *m_scene->GetObject(1)->GetLevel(1);
    SelectFace(other, 2);
    m_scene->CreateSelectionSet(QStringLiteral("both"), true);
    // Only the second object is written: its entry must follow it to the first place.
    m_scene->GetObject(0)->GetLevel(1)->m_iSelectedFaces = 0;
    const QString file = Path("part.stream");
    ASSERT_TRUE(m_scene->Save(file, false));
    // The node lists hear that only a selection is written (displacement, then map extraction).
    EXPECT_EQ(m_services.nodeWrites, (std::vector<bool>{false, false}));
    FreshScene();
    ASSERT_TRUE(m_scene->Load(file, false, true));
    ASSERT_EQ(m_scene->GetObjectCount(), 1);
    ASSERT_TRUE(m_scene->GetObject(0)->GetName().startsWith(QStringLiteral("object1 ")));
    const SelectionSet *both = m_scene->m_pSelectionSets;
    ASSERT_NE(both, nullptr);
    ASSERT_EQ(both->m_sSetName, QStringLiteral("both"));
    ASSERT_EQ(both->m_aEntries.size(), 1u);
    EXPECT_EQ(both->m_aEntries[0]->level, m_scene->GetObject(0)->GetLevel(1));
    EXPECT_EQ(std::vector<unsigned>(both->m_aEntries[0]->faces.begin(), both->m_aEntries[0]->faces.end()),
              std::vector<unsigned>{2});
    // The set of the object left out keeps no entry.
    ASSERT_NE(both->m_pNext, nullptr);
    EXPECT_TRUE(both->m_pNext->m_aEntries.empty());
}

TEST_F(SceneFile, BookmarkNamesOfAnyLengthLoad)
{
    m_bookmark.m_sCameraName = QStringLiteral("b");
    for (int length : {0, 255, 256, 5000}) {
        const QString tray(length, QLatin1Char('t'));
        m_services.saved = {{tray, QStringLiteral("item"), &m_bookmark}};
        m_services.stored.clear();
        const QString file = Path("marks.stream");
        ASSERT_TRUE(m_scene->Save(file, true));
        EXPECT_TRUE(m_scene->Load(file, false, true)) << length;
        ASSERT_EQ(m_services.stored.size(), 1u) << length;
        EXPECT_EQ(m_services.stored[0].tray, tray);
        EXPECT_EQ(m_services.stored[0].item, QStringLiteral("item"));
    }
}

TEST_F(SceneFile, ToolSizesComeOnlyFromACompleteFileWithLoadToolsOn)
{
    Populate();
    Brush::s_fSharedSize[0] = 40.0f;
    Brush::s_fSharedSize[1] = 41.0f;
    const QString file = Path("tools.stream");
    ASSERT_TRUE(m_scene->Save(QStringLiteral("tools"), true, file));
    const QByteArray bytes = ReadAll(file);
    WriteAll(Path("cut.stream"), bytes.left(bytes.size() - 40));
    struct Case {
        const char *file;
        bool loadTools;
        float expected;
    };
    for (const Case &c : {Case{"tools.stream", false, 7.0f}, Case{"cut.stream", true, 7.0f},
                          Case{"tools.stream", true, 40.0f}}) {
        Brush::s_fSharedSize[0] = Brush::s_fSharedSize[1] = 7.0f;
        m_services.loadTools = c.loadTools;
        EXPECT_EQ(m_scene->Load(Path(c.file), false, true), QString::fromLatin1(c.file) == "tools.stream");
        EXPECT_EQ(Brush::s_fSharedSize[0], c.expected) << c.file << " " << c.loadTools;
        EXPECT_EQ(Brush::s_fSharedSize[1], c.expected == 7.0f ? 7.0f : 41.0f) << c.file << " " << c.loadTools;
    }
    Brush::s_fSharedSize[0] = Brush::s_fSharedSize[1] = 25.0f;
}

// Files of old versions, laid out by hand field by field; the records inside them come
// from each record's own routine at that version.
TEST_F(SceneFile, OldVersionsLoad)
{
    for (int version : {19, 60}) {
        const QString file = Path("old.stream");
        {
            OldStream s(file, version);
            int objects = 0, cameras = 1, active = 0;
            s.Serialize(objects).Serialize(cameras).Serialize(active);
            int tools = version >= 22 ? 2 : 7;
            if (version >= 22)
                s.Serialize(tools);
            for (int i = 0; i < tools; ++i) {
                Brush brush(QStringLiteral("tool%1").arg(i));
                ASSERT_TRUE(brush.Serialize(s));
            }
            float ignored[3] = {1, 2, 3};
            int ignoredInt = 9;
            float ambient = 0.5f;
            s.Transfer(ignored, sizeof ignored);
            s.Serialize(ignoredInt).Serialize(ambient);
            Camera camera;
            ASSERT_TRUE(camera.Serialize(s));
            unsigned char view[11] = {1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0};
            s.Transfer(view, version >= 59 ? 11 : 9);
            if (version >= 20) {
                int materials = 1;
                s.Serialize(materials);
                Surface::Material material(7);
                ASSERT_TRUE(material.Serialize(s));
            }
            ASSERT_TRUE(s.Flush());
        }
        Recorder().Clear();
        FreshScene();
        ASSERT_TRUE(m_scene->Load(file, false, true)) << version;
        EXPECT_EQ(m_scene->m_iCameraCount, 1);
        EXPECT_NE(m_scene->m_pActiveCamera, nullptr);
        EXPECT_EQ(m_scene->m_iLightCount, 1) << "files before lights were stored have one";
        EXPECT_FLOAT_EQ(m_scene->m_fAmbientLevel, 0.5f);
        EXPECT_EQ(Recorder().messages.contains(QStringLiteral("This file version may contain errors!")), version == 19);
        if (version >= 20)
            EXPECT_EQ(Surface::Materials().First()->GetIndex(), 7);
    }
}

}  // namespace
