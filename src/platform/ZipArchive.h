#pragma once
// One zip archive at a time, over libzip: what saving a scene (create, add, compress,
// close) and opening one (open, extract entry 0, entry name, close) need. Failures are
// returned with a text for the caller to show; nothing here talks to the user.
//
// Writing is atomic: the archive is built in a temporary file next to the target, which
// replaces the target only when Close wrote all of it, so a failed save leaves an existing
// archive as it was and no temporary file behind.

#include <QString>

#include <memory>
#include <vector>

struct zip;
class DeflateSource;

class ZipArchive {
public:
    ZipArchive();
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // Starts a new archive that Close writes to `path` (an existing file stays until then).
    bool Create(const QString &path);
    // Opens an existing archive for reading.
    bool Open(const QString &path);
    // Adds the file under `entryName` (its last path component when empty); the file is
    // read when Close writes the archive.
    bool AddFile(const QString &file, const QString &entryName = QString());
    // Deflates every entry added so far at `level` (1 fastest to 9 smallest), on every
    // processor this process may run on.
    bool Compress(int level);
    // Writes a created archive (or lets an opened one go). False when the write failed;
    // the target is then untouched.
    bool Close();
    // Drops a created archive without writing anything.
    void Discard();

    int GetEntryCount() const;
    // The stored name of the entry, or an empty text.
    QString GetEntryName(int index) const;
    // Writes the bytes of entry 0 to `destination`, whatever the entry is called, so no
    // name inside an untrusted archive decides where anything goes. A partial file is removed.
    // The entry's declared size must fit the disk before anything is written, and an entry
    // that inflates past it is refused as damaged.
    bool ExtractFirst(const QString &destination);
    // Whether the last ExtractFirst failed because the disk lacks room for the entry.
    bool LackedDiskSpace() const { return m_bNoSpace; }

    const QString &GetPath() const { return m_sPath; }
    // What went wrong in the last failed call.
    const QString &GetLastError() const { return m_sError; }

    // Whether the file begins like a zip archive (local header or empty-archive signature).
    static bool LooksLikeZip(const QString &path);

private:
    bool Fail(const QString &what);

    ::zip *m_pArchive = nullptr;
    bool m_bWriting = false;
    QString m_sPath;
    // Writing: the file libzip writes, renamed over m_sPath by Close.
    QString m_sTemp;
    // Writing: the file each entry index was added from.
    std::vector<QString> m_aFiles;
    // Outlive the archive: libzip reads through them until it is closed or discarded.
    std::vector<std::unique_ptr<DeflateSource>> m_aDeflaters;
    QString m_sError;
    bool m_bNoSpace = false;
};
