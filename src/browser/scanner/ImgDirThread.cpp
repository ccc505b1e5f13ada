#include "browser/scanner/ImgDirThread.h"

#include "browser/scanner/ThumbnailCache.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QSet>

#include <vector>

ImgThreadEvent::~ImgThreadEvent() = default;

ImgThreadAppendThumbnailEvent::~ImgThreadAppendThumbnailEvent() = default;

ImgDirThread::ImgDirThread(QObject *owner) : QThread(owner), m_pOwner(owner)
{
    qRegisterMetaType<ImgInfo>();
}

ImgDirThread::~ImgDirThread() { Stop(); }

void ImgDirThread::StartScan(const QDir &folder, int width, int height, bool makeCache)
{
    AbortPass();
    QMutexLocker lock(&m_mutex);
    m_cSettings.folder = folder;
    m_cSettings.width = width;
    m_cSettings.height = height;
    m_cSettings.makeCache = makeCache;
    m_iCommand = FullScan;
    m_cWake.wakeAll();
}

void ImgDirThread::AbortPass()
{
    // The scanner changes the command only in a locked step that also finds the abort flag
    // clear, so the 0 written here stands until the next StartScan: no wait is needed.
    QMutexLocker lock(&m_mutex);
    m_bAbort = true;
    m_iCommand = Idle;
    m_cWake.wakeAll();
}

void ImgDirThread::Stop()
{
    {
        QMutexLocker lock(&m_mutex);
        m_bStop = true;
        m_cWake.wakeAll();
    }
    wait();
}

QDir ImgDirThread::Folder() const
{
    QMutexLocker lock(&m_mutex);
    return m_cSettings.folder;
}

int ImgDirThread::GetCommand() const
{
    QMutexLocker lock(&m_mutex);
    return m_iCommand;
}

ImgDirThread::Reading ImgDirThread::Read(const QFileInfo &info)
{
    return Reading{info.size(), info.lastModified().toMSecsSinceEpoch(), info.isDir()};
}

bool ImgDirThread::BeginPass(int command, Settings &settings)
{
    QMutexLocker lock(&m_mutex);
    if (m_bStop || m_iCommand != command)
        return false;
    m_bAbort = false;
    settings = m_cSettings;
    return true;
}

bool ImgDirThread::Interrupted() const
{
    QMutexLocker lock(&m_mutex);
    return m_bStop || m_bAbort;
}

bool ImgDirThread::Pause(int ms)
{
    QDeadlineTimer deadline(ms);
    QMutexLocker lock(&m_mutex);
    while (!m_bStop && !m_bAbort && !deadline.hasExpired())
        m_cWake.wait(&m_mutex, deadline);
    return !m_bStop && !m_bAbort;
}

void ImgDirThread::run()
{
    for (;;) {
        int command = Idle;
        {
            QMutexLocker lock(&m_mutex);
            if (m_bStop)
                return;
            command = m_iCommand;
            if (command == Idle) {
                m_cWake.wait(&m_mutex);
                continue;
            }
        }
        Settings settings;
        if (BeginPass(command, settings)) {
            if (command == FullScan)
                RunFullScan(settings);
            else
                RunWatchPass(settings);
        }
        Pause(10);
    }
}

QFileInfoList ImgDirThread::ListFiles(const QDir &folder) const
{
    // Sub-folders are listed whatever the name filters say.
    QDir copy = folder;
    copy.setFilter(copy.filter() | QDir::AllDirs | QDir::NoDotAndDotDot);
    return copy.entryInfoList();
}

bool ImgDirThread::Record(const QFileInfo &file, const Settings &settings, ImgInfo &record) const
{
    if (!Thumbnails::MakeRecord(file, settings.width, settings.height, record))
        return false;
    if (settings.makeCache)
        Thumbnails::WriteCache(file, record.thumbnail);
    return true;
}

void ImgDirThread::RunFullScan(const Settings &settings)
{
    const QFileInfoList listing = ListFiles(settings.folder);
    m_lKnownOrder.clear();
    m_hKnown.clear();
    for (const QFileInfo &entry : listing) {
        m_lKnownOrder << entry.absoluteFilePath();
        m_hKnown.insert(entry.absoluteFilePath(), Read(entry));
    }
    for (const QFileInfo &entry : listing) {
        if (Interrupted())
            break;
        if (entry.isDir() || !entry.isReadable())
            continue;
        ImgInfo record;
        QImage cached;
        if (Thumbnails::ReadCache(entry, cached)) {
            record.path = entry.absoluteFilePath();
            record.thumbnail = cached;
        } else if (!Record(entry, settings, record)) {
            continue;
        }
        QCoreApplication::postEvent(m_pOwner, new ImgThreadAppendThumbnailEvent(std::move(record)));
    }
    QMutexLocker lock(&m_mutex);
    if (!m_bStop && !m_bAbort && m_iCommand == FullScan)
        m_iCommand = Watch;
}

void ImgDirThread::RunWatchPass(const Settings &settings)
{
    const QFileInfoList listing = ListFiles(settings.folder);
    QSet<QString> listed;
    // New entries and files whose size or time moved since they were last seen; entries
    // that did not change cost nothing.
    struct Candidate {
        QString path;
        Reading first;
        bool isNew;
    };
    std::vector<Candidate> candidates;
    for (const QFileInfo &entry : listing) {
        const QString path = entry.absoluteFilePath();
        listed.insert(path);
        const Reading reading = Read(entry);
        const auto known = m_hKnown.constFind(path);
        if (known == m_hKnown.constEnd())
            candidates.push_back({path, reading, true});
        else if (!reading.isDir && !(known.value() == reading))
            candidates.push_back({path, reading, false});
    }
    // One settle wait for all of them: a file still being written changes meanwhile and
    // waits for a later pass.
    if (!candidates.empty() && !Pause(30))
        return;
    for (const Candidate &candidate : candidates) {
        const QFileInfo again(candidate.path);
        if (!again.exists() || !(Read(again) == candidate.first))
            continue;
        if (candidate.isNew) {
            if (!again.isReadable())
                continue;
            if (again.isDir()) {
                emit itemAdded(candidate.path);
            } else {
                ImgInfo record;
                if (Record(again, settings, record))
                    emit itemAdded(record);
            }
            m_lKnownOrder << candidate.path;
        } else {
            ImgInfo record;
            if (Record(again, settings, record))
                emit itemChanged(record);
        }
        // Remembered also when it did not load, so a broken file is not decoded on every pass.
        m_hKnown.insert(candidate.path, candidate.first);
        if (Interrupted())
            return;
    }
    if (Interrupted())
        return;
    QStringList kept;
    for (int i = 0; i < m_lKnownOrder.size(); ++i) {
        const QString &path = m_lKnownOrder[i];
        if (listed.contains(path)) {
            kept << path;
            continue;
        }
        emit itemDeleted(path);
        m_hKnown.remove(path);
        if (Interrupted()) {
            kept << m_lKnownOrder.mid(i + 1);
            break;
        }
    }
    m_lKnownOrder = kept;
}
