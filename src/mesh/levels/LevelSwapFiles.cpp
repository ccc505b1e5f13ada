#include "mesh/levels/LevelSwapFiles.h"

#include "foundation/Globals.h"

#include <QFile>
#include <QStringList>

#include <sys/types.h>
#include <unistd.h>

const char *LevelSwapFiles::KindName(Kind kind)
{
    static const char *const names[] = {"v", "vi", "f", "fi", "vm"};
    return kind >= 0 && kind < kKindCount ? names[kind] : "";
}

QString LevelSwapFiles::Path(const QString &base, Kind kind)
{
    return base + QLatin1String(KindName(kind)) + General::InstanceSuffix() + QStringLiteral(".tmp");
}

namespace {
QStringList &ClaimedBases()
{
    static QStringList bases;
    return bases;
}
}  // namespace

QString LevelSwapFiles::ClaimBase(const QString &wanted)
{
    QString base = wanted;
    for (int n = 1; ClaimedBases().contains(base); ++n)
        base = wanted + QLatin1Char('_') + QString::number(n);
    ClaimedBases().append(base);
    return base;
}

void LevelSwapFiles::ReleaseBase(const QString &base) { ClaimedBases().removeOne(base); }

bool LevelSwapFiles::ReadIndex(const QString &path, unsigned recordCount, General::Map &map)
{
    map.SetItemCount(0, false);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const qint64 pairs = file.size() / 8;
    if (pairs > 0x7FFFFFFF || !map.SetItemCount(unsigned(pairs), false))
        return false;
    const qint64 bytes = pairs * 8;
    if (pairs && file.read(reinterpret_cast<char *>(map.begin()), bytes) != bytes)
        map.SetItemCount(0, false);
    unsigned kept = 0;
    for (unsigned i = 0; i < map.GetItemCount(); ++i)
        if (map[i].second >= 0 && unsigned(map[i].second) < recordCount)
            map[kept++] = map[i];
    map.SetItemCount(kept, true);
    map.Sort(General::Map::kByFirst);
    return true;
}

bool LevelSwapFiles::AppendIndex(const QString &path, const General::Store<General::IntPair> &pairs)
{
    if (!pairs.HasItems())
        return true;
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "ab");
    if (!file) {
        Log("Cannot open swap file %s\n", QFile::encodeName(path).constData());
        return false;
    }
    fseeko(file, 0, SEEK_END);
    const off_t length = ftello(file);
    const size_t count = pairs.GetItemCount();
    bool ok = std::fwrite(pairs.begin(), 8, count, file) == count;
    ok = std::fflush(file) == 0 && ok;
    if (!ok && length >= 0)
        (void)ftruncate(fileno(file), length);
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        Log("Cannot write swap file %s\n", QFile::encodeName(path).constData());
    return ok;
}

bool SwapRecordFile::Open(const QString &path, const char *mode, unsigned recordSize)
{
    Close();
    m_sPath = path;
    m_iRecordSize = recordSize;
    m_bError = false;
    m_pFile = std::fopen(QFile::encodeName(path).constData(), mode);
    if (!m_pFile) {
        Log("Cannot open swap file %s\n", QFile::encodeName(path).constData());
        return false;
    }
    fseeko(m_pFile, 0, SEEK_END);
    const off_t length = ftello(m_pFile);
    m_iRecords = length > 0 && recordSize ? unsigned(uint64_t(length) / recordSize) : 0;
    m_iPosition = -1;
    return true;
}

bool SwapRecordFile::SeekTo(unsigned record)
{
    const int64_t position = int64_t(record) * m_iRecordSize;
    if (position == m_iPosition)
        return true;
    if (fseeko(m_pFile, off_t(position), SEEK_SET) != 0) {
        m_bError = true;
        m_iPosition = -1;
        return false;
    }
    m_iPosition = position;
    return true;
}

bool SwapRecordFile::Write(unsigned record, const void *data)
{
    if (!m_bWriting)
        m_iPosition = -1;
    m_bWriting = true;
    if (!m_pFile || m_bError || !SeekTo(record))
        return false;
    if (std::fwrite(data, m_iRecordSize, 1, m_pFile) != 1) {
        m_bError = true;
        m_iPosition = -1;
        Log("Cannot write swap file %s\n", QFile::encodeName(m_sPath).constData());
        return false;
    }
    m_iPosition += m_iRecordSize;
    if (record >= m_iRecords)
        m_iRecords = record + 1;
    return true;
}

bool SwapRecordFile::Read(unsigned record, void *data)
{
    if (m_bWriting)
        m_iPosition = -1;
    m_bWriting = false;
    if (!m_pFile || m_bError || record >= m_iRecords || !SeekTo(record))
        return false;
    if (std::fread(data, m_iRecordSize, 1, m_pFile) != 1) {
        m_iPosition = -1;
        return false;
    }
    m_iPosition += m_iRecordSize;
    return true;
}

void SwapRecordFile::Truncate(unsigned records)
{
    if (!m_pFile || records >= m_iRecords)
        return;
    std::fflush(m_pFile);
    (void)ftruncate(fileno(m_pFile), off_t(records) * m_iRecordSize);
    m_iRecords = records;
    m_iPosition = -1;
}

bool SwapRecordFile::Close()
{
    if (!m_pFile)
        return !m_bError;
    bool ok = std::fflush(m_pFile) == 0;
    ok = std::fclose(m_pFile) == 0 && ok;
    m_pFile = nullptr;
    if (!ok && !m_bError)
        Log("Cannot write swap file %s\n", QFile::encodeName(m_sPath).constData());
    m_bError = m_bError || !ok;
    return !m_bError;
}
