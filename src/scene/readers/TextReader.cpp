#include "scene/readers/TextReader.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where a block may end: after its last LF, else after its last CR that is not the final
// byte (the LF of that pair may still be unread). 0 when the bytes hold no line end yet.
size_t CutPoint(const char *text, size_t size)
{
    if (const void *lf = memrchr(text, '\n', size))
        return size_t(static_cast<const char *>(lf) - text) + 1;
    if (size > 1)
        if (const void *cr = memrchr(text, '\r', size - 1))
            return size_t(static_cast<const char *>(cr) - text) + 1;
    return 0;
}

}  // namespace

TextLines::TextLines(TextBlock &block)
    : m_pNext(block.text.data()), m_pEnd(block.text.data() + block.size),
      m_bCR(std::memchr(block.text.data(), '\r', block.size) != nullptr), m_bFileStart(block.offset == 0)
{
}

TextReader::~TextReader()
{
    if (m_iFile >= 0)
        ::close(m_iFile);
}

bool TextReader::Open(const char *path)
{
    if (m_iFile >= 0)
        ::close(m_iFile);
    m_iFile = ::open(path, O_RDONLY | O_CLOEXEC);
    if (m_iFile < 0)
        return false;
    // 64-bit offsets: meshes of several gigabytes are expected.
    struct stat status {};
    m_iFileSize = ::fstat(m_iFile, &status) == 0 && status.st_size > 0 ? uint64_t(status.st_size) : 0;
    return Rewind();
}

bool TextReader::Rewind()
{
    m_iReadOffset = 0;
    m_aCarry.clear();
    m_bEndOfFile = m_bStopped = false;
    m_cBlock.size = 0;
    m_cBlock.offset = 0;
    m_cBlock.stop = TextBlock::Stop::None;
    m_cLines = TextLines();
    m_pPos = nullptr;
    m_iLineNumber = 0;
    m_sError.clear();
    return m_iFile >= 0 && ::lseek(m_iFile, 0, SEEK_SET) == 0;
}

bool TextReader::ReadBlock(TextBlock &block, unsigned chunk)
{
    block.size = 0;
    block.stop = TextBlock::Stop::None;
    block.offset = m_iReadOffset - m_aCarry.size();
    if (m_iFile < 0 || m_bStopped || (m_bEndOfFile && m_aCarry.empty()))
        return false;
    const auto stop = [&](TextBlock::Stop why) {
        block.stop = why;
        m_bStopped = true;
        return true;
    };
    try {
        // No more room than the rest of the file needs: small files take small blocks.
        const uint64_t left = m_iFileSize > m_iReadOffset ? m_iFileSize - m_iReadOffset : 0;
        size_t size = m_aCarry.size();
        size_t capacity = size + size_t(std::clamp<uint64_t>(left, 1, std::max(chunk, 1u)));
        if (block.text.size() < capacity + 1)
            block.text.resize(capacity + 1);
        std::copy(m_aCarry.begin(), m_aCarry.end(), block.text.begin());
        m_aCarry.clear();
        size_t cut = 0;
        for (;;) {
            if (!m_bEndOfFile) {
                if (size == capacity) {
                    // Only one unfinished line is in the block here: it may grow up to the limit.
                    capacity = std::min<size_t>(std::max<size_t>(capacity * 2, size + chunk), kMaxLineLength + 1);
                    if (block.text.size() < capacity + 1)
                        block.text.resize(capacity + 1);
                }
                const ssize_t n = ::read(m_iFile, block.text.data() + size, capacity - size);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    block.size = uint32_t(CutPoint(block.text.data(), size));
                    return stop(TextBlock::Stop::ReadFailed);
                }
                if (n == 0)
                    m_bEndOfFile = true;
                size += size_t(n);
                m_iReadOffset += uint64_t(n);
            }
            cut = m_bEndOfFile ? size : CutPoint(block.text.data(), size);
            if (cut > 0 || m_bEndOfFile)
                break;
            // The bytes are the start of one line, its CR perhaps read already.
            if (size - (block.text[size - 1] == '\r' ? 1 : 0) >= kMaxLineLength)
                return stop(TextBlock::Stop::LongLine);
        }
        m_aCarry.assign(block.text.begin() + ptrdiff_t(cut), block.text.begin() + ptrdiff_t(size));
        block.size = uint32_t(cut);
    } catch (const std::bad_alloc &) {
        block.size = 0;
        return stop(TextBlock::Stop::NoMemory);
    }
    return block.size > 0;
}

QString TextReader::StopMessage(TextBlock::Stop stop, uint64_t linesBefore)
{
    switch (stop) {
    case TextBlock::Stop::LongLine:
        return QStringLiteral("Line %1 is longer than %2 bytes.").arg(linesBefore + 1).arg(kMaxLineLength);
    case TextBlock::Stop::NoMemory:
        return QStringLiteral("Not enough memory to read line %1.").arg(linesBefore + 1);
    case TextBlock::Stop::ReadFailed:
        return QStringLiteral("The file could not be read after line %1.").arg(linesBefore);
    case TextBlock::Stop::None:
        break;
    }
    return {};
}

bool TextReader::NextLine()
{
    if (m_iFile < 0 || !m_sError.isEmpty())
        return false;
    for (;;) {
        if (char *line = m_cLines.Next()) {
            m_pPos = line;
            ++m_iLineNumber;
            return true;
        }
        if (m_cBlock.stop != TextBlock::Stop::None) {
            m_sError = StopMessage(m_cBlock.stop, m_iLineNumber);
            return false;
        }
        if (!ReadBlock(m_cBlock, kBufferSize) && m_cBlock.stop == TextBlock::Stop::None)
            return false;
        m_cLines = TextLines(m_cBlock);
    }
}
