#pragma once
// A private temporary folder per test, with helpers to read and write whole files.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class TempDir {
public:
    QString File(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QString Path() const { return m_dir.path(); }

    static QByteArray Read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void Write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

private:
    QTemporaryDir m_dir;
};
