#include "platform/ZipArchive.h"

#include "platform/DeflateSource.h"
#include "platform/DiskSpace.h"
#include "platform/TempFiles.h"

#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <array>

namespace {

QByteArray Native(const QString &path) { return QFile::encodeName(path); }

QString ArchiveError(zip_t *archive)
{
    return archive ? QString::fromLocal8Bit(zip_strerror(archive)) : QString();
}

}  // namespace

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive()
{
    // An archive never closed is never written: a half-made save must not land.
    Discard();
}

bool ZipArchive::Fail(const QString &what)
{
    m_sError = what;
    return false;
}

bool ZipArchive::Create(const QString &path)
{
    Discard();
    const QFileInfo info(path);
    const QString temp = OwnTempFileName(info.absolutePath(), QStringLiteral(".") + info.fileName() + QStringLiteral("."));
    if (temp.isEmpty())
        return Fail(QStringLiteral("Creating ZIP file failed: %1 cannot take a new file").arg(info.absolutePath()));
    int error = 0;
    zip_t *archive = zip_open(Native(temp).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        QFile::remove(temp);
        zip_error_t z;
        zip_error_init_with_code(&z, error);
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&z));
        zip_error_fini(&z);
        return Fail(QStringLiteral("Creating ZIP file failed: %1").arg(text));
    }
    m_pArchive = archive;
    m_bWriting = true;
    m_sPath = path;
    m_sTemp = temp;
    return true;
}

bool ZipArchive::Open(const QString &path)
{
    Discard();
    int error = 0;
    zip_t *archive = zip_open(Native(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        return Fail(QStringLiteral("Opening ZIP file failed"));
    m_pArchive = archive;
    m_bWriting = false;
    m_sPath = path;
    return true;
}

bool ZipArchive::AddFile(const QString &file, const QString &entryName)
{
    if (!m_pArchive || !m_bWriting)
        return Fail(QStringLiteral("Adding file to ZIP failed: no archive is being written"));
    if (!QFile::exists(file))
        return Fail(QStringLiteral("Adding file to ZIP failed: %1 does not exist").arg(file));
    const QString name = entryName.isEmpty() ? file.section(QLatin1Char('/'), -1) : entryName;
    zip_source_t *source = zip_source_file(m_pArchive, Native(file).constData(), 0, -1);
    if (!source)
        return Fail(QStringLiteral("Adding file to ZIP failed: %1").arg(ArchiveError(m_pArchive)));
    const zip_int64_t index = zip_file_add(m_pArchive, name.toUtf8().constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return Fail(QStringLiteral("Adding file to ZIP failed: %1").arg(ArchiveError(m_pArchive)));
    }
    if (size_t(index) >= m_aFiles.size())
        m_aFiles.resize(size_t(index) + 1);
    m_aFiles[size_t(index)] = file;
    return true;
}

bool ZipArchive::Compress(int level)
{
    if (!m_pArchive || !m_bWriting)
        return Fail(QStringLiteral("Compressing ZIP file failed: no archive is being written"));
    for (size_t i = 0; i < m_aFiles.size(); ++i) {
        if (m_aFiles[i].isEmpty())
            continue;
        // libzip would deflate on one thread; the entry's data arrives deflated instead.
        auto deflater = std::make_unique<DeflateSource>(m_aFiles[i], level);
        zip_source_t *source = deflater->MakeSource(m_pArchive);
        if (!source)
            return Fail(QStringLiteral("Compressing ZIP file failed: %1").arg(ArchiveError(m_pArchive)));
        m_aDeflaters.push_back(std::move(deflater));
        if (zip_file_replace(m_pArchive, zip_uint64_t(i), source, 0) != 0) {
            zip_source_free(source);
            return Fail(QStringLiteral("Compressing ZIP file failed: %1").arg(ArchiveError(m_pArchive)));
        }
    }
    return true;
}

bool ZipArchive::Close()
{
    if (!m_pArchive)
        return Fail(QStringLiteral("Closing ZIP file failed: no archive is open"));
    if (!m_bWriting) {
        zip_discard(m_pArchive);
        m_pArchive = nullptr;
        return true;
    }
    const bool empty = GetEntryCount() == 0;
    if (zip_close(m_pArchive) != 0) {
        const QString text = ArchiveError(m_pArchive);
        Discard();
        return Fail(QStringLiteral("Closing ZIP file failed: %1").arg(text));
    }
    m_pArchive = nullptr;
    // libzip removes an archive left without entries; an empty archive is its end record alone.
    bool ok = true;
    if (empty) {
        QFile file(m_sTemp);
        static const char kEnd[22] = {'P', 'K', 5, 6};
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(kEnd, sizeof kEnd) == sizeof kEnd;
        ok = file.flush() && ok;
    }
    ok = ok && ReplaceWithTempFile(m_sTemp, m_sPath);
    if (ok)
        m_sTemp.clear();
    const QString target = m_sPath;
    Discard();
    if (!ok)
        return Fail(QStringLiteral("Closing ZIP file failed: %1 could not be replaced").arg(target));
    return true;
}

void ZipArchive::Discard()
{
    if (m_pArchive)
        zip_discard(m_pArchive);
    m_pArchive = nullptr;
    // After libzip let go of the sources that read through them.
    m_aDeflaters.clear();
    m_aFiles.clear();
    if (!m_sTemp.isEmpty())
        QFile::remove(m_sTemp);
    m_sTemp.clear();
}

int ZipArchive::GetEntryCount() const
{
    const zip_int64_t count = m_pArchive ? zip_get_num_entries(m_pArchive, 0) : 0;
    return count > 0 && count < (1LL << 31) ? int(count) : 0;
}

QString ZipArchive::GetEntryName(int index) const
{
    const char *name = m_pArchive && index >= 0 ? zip_get_name(m_pArchive, zip_uint64_t(index), 0) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

bool ZipArchive::ExtractFirst(const QString &destination)
{
    m_bNoSpace = false;
    if (!m_pArchive || m_bWriting)
        return Fail(QStringLiteral("Extracting from ZIP failed: no archive is open"));
    if (GetEntryCount() < 1)
        return Fail(QStringLiteral("Extracting from ZIP failed: the archive is empty"));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_pArchive, 0, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return Fail(QStringLiteral("Extracting from ZIP failed: %1").arg(ArchiveError(m_pArchive)));
    const uint64_t declared = stat.size;
    if (declared > AvailableDiskSpace(QFileInfo(destination).absolutePath())) {
        m_bNoSpace = true;
        return Fail(QStringLiteral("Extracting from ZIP failed: not enough disk space for %1 bytes").arg(declared));
    }
    zip_file_t *entry = zip_fopen_index(m_pArchive, 0, 0);
    if (!entry)
        return Fail(QStringLiteral("Extracting from ZIP failed: %1").arg(ArchiveError(m_pArchive)));
    QFile out(destination);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    bool oversized = false;
    std::array<char, 1 << 16> buffer{};
    uint64_t written = 0;
    while (ok) {
        // One byte past the declared size is enough to know the entry lies about it.
        const uint64_t wanted = std::min<uint64_t>(buffer.size(), declared - written + 1);
        const zip_int64_t got = zip_fread(entry, buffer.data(), wanted);
        if (got < 0) {
            ok = false;
        } else if (got == 0) {
            break;
        } else if (written + uint64_t(got) > declared) {
            ok = false;
            oversized = true;
        } else {
            ok = out.write(buffer.data(), got) == got;
            written += uint64_t(got);
        }
    }
    // A damaged entry (bad checksum, short data) shows only when reading it ends.
    ok = zip_fclose(entry) == 0 && ok;
    ok = out.flush() && ok && written == declared;
    out.close();
    if (!ok) {
        QFile::remove(destination);
        return Fail(oversized ? QStringLiteral("Extracting from ZIP failed: the entry holds more than the %1 bytes it "
                                               "declares")
                                    .arg(declared)
                              : QStringLiteral("Extracting from ZIP failed: the entry is damaged or the disk is full"));
    }
    return true;
}

bool ZipArchive::LooksLikeZip(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArrayLiteral("PK\x03\x04") || head == QByteArrayLiteral("PK\x05\x06");
}
