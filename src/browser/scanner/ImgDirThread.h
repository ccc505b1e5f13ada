#pragma once
// The folder scanner: a worker thread owned by the image browser. Given a folder it makes a
// thumbnail record for every readable image file (from the ".thumbs" cache when that is
// current, else by loading the image and caching the thumbnail) and posts each one to its
// owner as an ImgThreadAppendThumbnailEvent. After that full scan it keeps re-listing the
// folder and reports added, changed and deleted entries through its signals.
//
// Handshake: one mutex guards the command, the stop and abort flags and the scan settings.
// A pass starts only while the command it was started for still stands, and a full scan
// turns into watching only in the same locked step that finds it neither stopped nor
// aborted; so once AbortPass returns, the command stays 0 until the next StartScan.

#include "browser/scanner/ImgInfo.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class ImgThreadEvent : public QEvent {
public:
    explicit ImgThreadEvent(QEvent::Type type) : QEvent(type) {}
    ~ImgThreadEvent() override;
};

// Carries one record of a full scan to the owner.
class ImgThreadAppendThumbnailEvent : public ImgThreadEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 100);
    explicit ImgThreadAppendThumbnailEvent(ImgInfo info) : ImgThreadEvent(kType), m_cInfo(std::move(info)) {}
    ~ImgThreadAppendThumbnailEvent() override;
    const ImgInfo &Info() const { return m_cInfo; }

private:
    ImgInfo m_cInfo;
};

class ImgDirThread : public QThread {
    Q_OBJECT

public:
    enum Command { Idle = 0, Watch = 1, FullScan = 2 };

    // The owner becomes the parent and receives the posted records; the caller starts the thread.
    explicit ImgDirThread(QObject *owner);
    // Stops the thread and waits for it.
    ~ImgDirThread() override;

    // Abandons the current pass, then scans `folder` (its path, name filters, filter flags
    // and sorting) from scratch with thumbnails fitting width x height.
    void StartScan(const QDir &folder, int width, int height, bool makeCache);
    // The current pass ends at its next check (after the entry being decoded) and the
    // command becomes 0; returns at once.
    void AbortPass();
    // Ends the thread after the current entry and waits until it has ended.
    void Stop();
    QDir Folder() const;
    int GetCommand() const;

signals:
    void ImgFound(const ImgInfo &info);
    void itemChanged(const ImgInfo &info);
    void itemDeleted(const QString &path);
    void itemAdded(const ImgInfo &info);
    void itemAdded(const QString &folder);

protected:
    void run() override;

private:
    struct Settings {
        QDir folder;
        int width = 0;
        int height = 0;
        bool makeCache = true;
    };
    // Size and modification time of an entry as one listing saw it.
    struct Reading {
        qint64 size = -1;
        qint64 time = 0;
        bool isDir = false;
        bool operator==(const Reading &) const = default;
    };
    static Reading Read(const QFileInfo &info);

    // Starts a pass for `command` when it still stands: clears the abort flag and copies the
    // settings, in one locked step.
    bool BeginPass(int command, Settings &settings);
    bool Interrupted() const;
    // Waits `ms` unless stopped, aborted or given a new command meanwhile; false when interrupted.
    bool Pause(int ms);
    QFileInfoList ListFiles(const QDir &folder) const;
    bool Record(const QFileInfo &file, const Settings &settings, ImgInfo &record) const;
    void RunFullScan(const Settings &settings);
    void RunWatchPass(const Settings &settings);

    QObject *m_pOwner;
    mutable QMutex m_mutex;
    QWaitCondition m_cWake;
    int m_iCommand = Idle;
    bool m_bStop = false;
    bool m_bAbort = false;
    Settings m_cSettings;
    // The folder's entries as this thread last saw them, in listing order (scanner thread only).
    QStringList m_lKnownOrder;
    QHash<QString, Reading> m_hKnown;
};
