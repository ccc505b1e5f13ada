#include "foundation/Stream.h"

#include "foundation/Progress.h"
#include "foundation/ShellServices.h"

#include <QCoreApplication>
#include <QFile>

#include <memory>

Stream::Stream(const QString &fileName, bool storing, uint64_t progressTotal)
    : m_iProgressTotal(progressTotal), m_bStoring(storing), m_sFileName(fileName)
{
    Open();
}

Stream::~Stream()
{
    Close();
    if (m_bRemoveOnClose && !m_sFileName.isEmpty())
        QFile::remove(m_sFileName);
}

void Stream::Close()
{
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

bool Stream::Open()
{
    m_bError = false;
    if (m_sFileName.isEmpty())
        return false;
    m_pFile = std::fopen(QFile::encodeName(m_sFileName).constData(), m_bStoring ? "w+b" : "rb");
    if (!m_pFile)
        return false;
    if (m_bStoring) {
        m_iVersion = kCurrentVersion;
        Write(&m_iVersion, 4);
        return !m_bError;
    }
    std::fseek(m_pFile, 0, SEEK_END);
    m_iProgressTotal = uint64_t(ftello(m_pFile));
    std::fseek(m_pFile, 0, SEEK_SET);
    if (std::fread(&m_iVersion, 1, 4, m_pFile) != 4) {
        Log("Stream file is too short to hold a version: %s\n", QFile::encodeName(m_sFileName).constData());
        m_bError = true;
        Close();
        return false;
    }
    if (m_iVersion != kCurrentVersion)
        Log("Current stream version is %d, file is %d\n", kCurrentVersion, m_iVersion);
    if (m_iVersion > kCurrentVersion || m_iVersion < 0) {
        const int version = m_iVersion;
        Close();
        throw General::Error(1, QCoreApplication::translate("Stream",
                                    "File version is too new or is corrupt\nFile name: %1, File version: %2, "
                                    "Current version: %3")
                                    .arg(m_sFileName)
                                    .arg(version)
                                    .arg(kCurrentVersion));
    }
    return true;
}

bool Stream::Reopen(bool storing)
{
    Close();
    m_bStoring = storing;
    return Open();
}

uint64_t Stream::Tell() const { return m_pFile ? uint64_t(ftello(m_pFile)) : 0; }

bool Stream::Seek(uint64_t position) { return m_pFile && fseeko(m_pFile, off_t(position), SEEK_SET) == 0; }

uint64_t Stream::BytesLeft() const
{
    if (!m_pFile)
        return 0;
    const off_t here = ftello(m_pFile);
    fseeko(m_pFile, 0, SEEK_END);
    const off_t end = ftello(m_pFile);
    fseeko(m_pFile, here, SEEK_SET);
    return end > here ? uint64_t(end - here) : 0;
}

bool Stream::Expect(uint64_t bytes)
{
    if (bytes <= BytesLeft())
        return true;
    m_bError = true;
    return false;
}

uint64_t Stream::WriteBlock(const void *buffer, uint64_t itemSize, uint64_t count, std::FILE *file)
{
    if (!TV_CHECK(file))
        return 0;
    const uint64_t written = std::fwrite(buffer, itemSize, count, file);
    if (written < count)
        ReportWriteFailure();
    return written;
}

bool Stream::Flush()
{
    if (!m_pFile || !m_bStoring)
        return !m_bError;
    if (std::fflush(m_pFile) != 0)
        ReportWriteFailure();
    return !m_bError;
}

QString Stream::WriteFailureMessage(const QString &fileName)
{
    return QCoreApplication::translate("Stream", "Could not write to file %1. Disk may be full.").arg(fileName);
}

void Stream::ReportWriteFailure()
{
    if (!m_bError) {
        const QString message = WriteFailureMessage(m_sReportedName.isEmpty() ? m_sFileName : m_sReportedName);
        Log("%s\n", message.toUtf8().constData());
        General::Shell().CriticalMessage(message);
    }
    m_bError = true;
}

uint64_t Stream::Read(void *buffer, uint64_t size)
{
    if (!m_pFile) {
        m_bError = true;
        return 0;
    }
    const uint64_t done = size < kChunk ? std::fread(buffer, 1, size, m_pFile) : Chunked(buffer, size, false);
    if (done < size)
        m_bError = true;
    return done;
}

uint64_t Stream::Write(const void *buffer, uint64_t size)
{
    if (size < kChunk)
        return WriteBlock(buffer, 1, size, m_pFile);
    return Chunked(const_cast<void *>(buffer), size, true);
}

uint64_t Stream::Chunked(void *buffer, uint64_t size, bool writing)
{
    General::ProgressMeter &meter = General::Progress();
    meter.Start(writing ? QStringLiteral("writing...") : QStringLiteral("reading..."), m_iProgressTotal, 100);
    char *bytes = static_cast<char *>(buffer);
    uint64_t done = 0;
    while (done < size) {
        meter.AdvanceTo(Tell());
        const uint64_t chunk = std::min(kChunk, size - done);
        const uint64_t moved = writing ? WriteBlock(bytes + done, 1, chunk, m_pFile)
                                       : (m_pFile ? std::fread(bytes + done, 1, chunk, m_pFile) : 0);
        done += moved;
        if (moved < chunk)
            break;
    }
    meter.End();
    return done;
}

Stream &Stream::Serialize(bool &value)
{
    unsigned char byte = value ? 1 : 0;
    Transfer(&byte, 1);
    if (!m_bStoring)
        value = byte != 0;
    return *this;
}

Stream &Stream::operator<<(const QString &value)
{
    const QByteArray bytes = value.toLatin1();
    int length = int(bytes.size());
    Write(&length, 4);
    if (length)
        Write(bytes.constData(), uint64_t(length));
    return *this;
}

Stream &Stream::operator>>(QString &value)
{
    value.clear();
    int length = 0;
    if (Read(&length, 4) != 4)
        return *this;
    // No writer produces a negative length: the record is corrupt, and the caller must know.
    if (length < 0) {
        m_bError = true;
        return *this;
    }
    if (!Expect(uint64_t(length)))
        return *this;
    QByteArray bytes(length, '\0');
    if (length)
        Read(bytes.data(), uint64_t(length));
    value = QString::fromLatin1(bytes);
    return *this;
}

bool Stream::WriteFile(const QString &path)
{
    std::FILE *source = std::fopen(QFile::encodeName(path).constData(), "rb");
    unsigned size = 0;
    if (!source) {
        Write(&size, 4);
        return false;
    }
    fseeko(source, 0, SEEK_END);
    const off_t length = ftello(source);
    // The size field is 32 bits wide: a larger file cannot be embedded without corrupting the stream.
    if (length < 0 || uint64_t(length) > 0xFFFFFFFFu) {
        std::fclose(source);
        Log("File is too large to embed: %s\n", QFile::encodeName(path).constData());
        Write(&size, 4);
        return false;
    }
    size = unsigned(length);
    Write(&size, 4);
    fseeko(source, 0, SEEK_SET);
    constexpr size_t kBuffer = 0x100000;
    std::unique_ptr<char, void (*)(void *)> buffer(static_cast<char *>(Allocate(kBuffer, false)), Deallocate);
    uint64_t copied = 0;
    for (;;) {
        const size_t got = std::fread(buffer.get(), 1, kBuffer, source);
        if (got && Write(buffer.get(), got) != got)
            break;
        copied += got;
        if (got < kBuffer)
            break;
    }
    std::fclose(source);
    return copied == size && !m_bError;
}

bool Stream::ReadFile(const QString &path)
{
    unsigned size = 0;
    if (Read(&size, 4) != 4 || !Expect(size))
        return false;
    std::FILE *target = std::fopen(QFile::encodeName(path).constData(), "w+b");
    if (!target) {
        // Skip the embedded bytes so that what follows in the stream still lines up.
        if (m_pFile)
            fseeko(m_pFile, off_t(size), SEEK_CUR);
        return false;
    }
    constexpr size_t kBuffer = 0x100000;
    std::unique_ptr<char, void (*)(void *)> buffer(static_cast<char *>(Allocate(kBuffer, false)), Deallocate);
    uint64_t remaining = size;
    bool ok = true;
    while (remaining > 0) {
        const uint64_t got = Read(buffer.get(), std::min<uint64_t>(remaining, kBuffer));
        if (got == 0)
            break;
        if (WriteBlock(buffer.get(), 1, got, target) != got) {
            ok = false;
            break;
        }
        remaining -= got;
    }
    std::fclose(target);
    return ok && remaining == 0;
}
