#pragma once
// Writes fuzz input to a private temporary file, since the readers take file names.
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"

#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A shell whose temporary and swap files go to a private folder.
class FuzzShell : public General::ShellServices {
public:
    QString TempFolder() const override { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

class FuzzFile {
public:
    FuzzFile(const uint8_t *data, size_t size, const char *name = "input")
    {
        m_sPath = m_dir.filePath(QString::fromLatin1(name));
        if (std::FILE *f = std::fopen(m_sPath.toLocal8Bit().constData(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
    }
    const QString &Path() const { return m_sPath; }
    QString Sibling(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private:
    QTemporaryDir m_dir;
    QString m_sPath;
};

// Opens the input as a loading stream and hands it to `read`. Headers that are too
// new or corrupt are refused by the stream itself, which is a normal outcome here.
template <class Read>
int WithLoadingStream(const FuzzFile &file, Read read)
{
    try {
        Stream stream(file.Path(), false);
        if (stream.IsOpen())
            read(stream);
    } catch (const General::Error &) {
    }
    return 0;
}
