#pragma once
// The recent-files list (newest first, at most kMaximum names) and "recent.sav": a stream
// header, a count, then the names.

#include <QString>
#include <QStringList>

class RecentFiles {
public:
    static constexpr int kMaximum = 10;

    // Puts `file` first; an earlier entry of the same name goes, the oldest past the maximum too.
    void Add(const QString &file);
    const QStringList &Files() const { return m_lFiles; }
    void Clear() { m_lFiles.clear(); }

    // Appends the file's names in file order up to the maximum. A missing file adds
    // nothing; an empty, damaged or versionless one, or one that is not a regular file (a
    // link to nothing among them), adds nothing and returns false.
    bool Load(const QString &path);
    // Written whole or not at all (SaveWholeFile); `error` says why not.
    bool Save(const QString &path, QString *error = nullptr) const;

private:
    QStringList m_lFiles;
};
