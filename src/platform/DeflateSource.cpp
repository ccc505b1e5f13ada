#include "platform/DeflateSource.h"
#include "platform/Processors.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads exactly `size` bytes at `offset`; false on an error or a file that became shorter.
bool ReadAt(int descriptor, unsigned char *buffer, uint64_t size, uint64_t offset)
{
    while (size > 0) {
        const ssize_t got = ::pread(descriptor, buffer, size_t(std::min<uint64_t>(size, 1u << 30)), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            return false;
        }
        buffer += got;
        size -= uint64_t(got);
        offset += uint64_t(got);
    }
    return true;
}

struct DeflateEnd {
    void operator()(z_stream *stream) const
    {
        deflateEnd(stream);
        delete stream;
    }
};

}  // namespace

DeflateSource::DeflateSource(QString file, int level, unsigned threads)
    : m_sFile(std::move(file)), m_iLevel(std::clamp(level, 1, 9)), m_iThreads(threads ? threads : Platform::AvailableProcessors())
{
    zip_error_init(&m_error);
}

DeflateSource::~DeflateSource()
{
    Close();
    zip_error_fini(&m_error);
}

zip_source_t *DeflateSource::MakeSource(zip_t *archive)
{
    return zip_source_function(archive, &DeflateSource::Callback, this);
}

zip_int64_t DeflateSource::Callback(void *self, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    DeflateSource &source = *static_cast<DeflateSource *>(self);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return source.Open() ? 0 : -1;
    case ZIP_SOURCE_READ:
        return source.Read(data, length);
    case ZIP_SOURCE_CLOSE:
        source.Close();
        return 0;
    case ZIP_SOURCE_STAT:
        return source.Stat(data, length);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source.m_error, data, length);
    case ZIP_SOURCE_FREE:
        // The archive owns this object and frees it after libzip let go of the source.
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&source.m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t DeflateSource::Stat(void *data, zip_uint64_t length)
{
    zip_stat_t *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
    if (!st)
        return -1;
    struct stat info {};
    if (::stat(QFile::encodeName(m_sFile).constData(), &info) != 0) {
        zip_error_set(&m_error, ZIP_ER_READ, errno);
        return -1;
    }
    zip_stat_init(st);
    // Deflated already: libzip must copy the data, not compress it again.
    st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD;
    st->size = uint64_t(info.st_size);
    st->mtime = info.st_mtime;
    st->comp_method = ZIP_CM_DEFLATE;
    if (m_bDone) {
        st->valid |= ZIP_STAT_CRC | ZIP_STAT_COMP_SIZE;
        st->size = m_iSize;
        st->crc = m_iCrc;
        st->comp_size = m_iCompressedSize;
    }
    return sizeof(zip_stat_t);
}

bool DeflateSource::Open()
{
    Close();
    m_iDescriptor = ::open(QFile::encodeName(m_sFile).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (m_iDescriptor < 0 || ::fstat(m_iDescriptor, &info) != 0) {
        zip_error_set(&m_error, ZIP_ER_OPEN, errno);
        Close();
        return false;
    }
    m_iSize = uint64_t(info.st_size);
    // An empty file still makes one chunk: the deflate stream needs its end.
    m_iChunkCount = std::max<uint64_t>(1, (m_iSize + kChunk - 1) / kChunk);
    m_iNextChunk = m_iReadChunk = m_iReadOffset = m_iCompressedSize = 0;
    m_iCrc = uint32_t(crc32(0, nullptr, 0));
    m_bFailed = m_bStopping = m_bDone = false;
    const unsigned threads = unsigned(std::min<uint64_t>(m_iThreads, m_iChunkCount));
    try {
        m_aSlots.assign(size_t(threads) * 2, Slot());
        for (unsigned i = 0; i < threads; ++i)
            m_aWorkers.emplace_back(&DeflateSource::Work, this);
    } catch (const std::system_error &error) {
        zip_error_set(&m_error, ZIP_ER_INTERNAL, error.code().value());
        Close();
        return false;
    } catch (const std::bad_alloc &) {
        zip_error_set(&m_error, ZIP_ER_MEMORY, 0);
        Close();
        return false;
    }
    return true;
}

void DeflateSource::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    m_changed.notify_all();
    for (std::thread &worker : m_aWorkers)
        worker.join();
    m_aWorkers.clear();
    m_aSlots.clear();
    m_aSlots.shrink_to_fit();
    if (m_iDescriptor >= 0)
        ::close(m_iDescriptor);
    m_iDescriptor = -1;
}

void DeflateSource::Fail(int zipError, int systemError)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_bFailed)
            zip_error_set(&m_error, zipError, systemError);
        m_bFailed = true;
    }
    m_changed.notify_all();
}

zip_int64_t DeflateSource::Read(void *data, zip_uint64_t length)
{
    auto *out = static_cast<unsigned char *>(data);
    zip_uint64_t copied = 0;
    while (copied < length && m_iReadChunk < m_iChunkCount) {
        Slot &slot = m_aSlots[size_t(m_iReadChunk % m_aSlots.size())];
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_bFailed || (slot.ready && slot.chunk == m_iReadChunk); });
            if (m_bFailed)
                return -1;
        }
        // The slot stays this thread's until it is handed back below.
        const uint64_t take = std::min<uint64_t>(length - copied, slot.data.size() - m_iReadOffset);
        std::memcpy(out + copied, slot.data.data() + m_iReadOffset, size_t(take));
        copied += take;
        m_iReadOffset += take;
        if (m_iReadOffset == slot.data.size()) {
            m_iCrc = uint32_t(crc32_combine(m_iCrc, slot.crc, z_off_t(slot.inputSize)));
            m_iCompressedSize += slot.data.size();
            m_iReadOffset = 0;
            {
                std::lock_guard lock(m_mutex);
                slot.ready = false;
                ++m_iReadChunk;
            }
            m_changed.notify_all();
        }
    }
    if (m_iReadChunk == m_iChunkCount)
        m_bDone = true;
    return zip_int64_t(copied);
}

void DeflateSource::Work()
{
    std::unique_ptr<z_stream, DeflateEnd> stream;
    std::vector<unsigned char> input;
    try {
        stream.reset(new z_stream{});
        // Negative window bits: raw deflate data, as a zip entry holds it.
        if (deflateInit2(stream.get(), m_iLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            delete stream.release();
            Fail(ZIP_ER_MEMORY, 0);
            return;
        }
        input.resize(size_t(std::min<uint64_t>(kChunk, m_iSize)));
    } catch (const std::bad_alloc &) {
        Fail(ZIP_ER_MEMORY, 0);
        return;
    }
    for (;;) {
        uint64_t chunk = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_bStopping || m_bFailed || m_iNextChunk >= m_iChunkCount ||
                       m_iNextChunk < m_iReadChunk + m_aSlots.size();
            });
            if (m_bStopping || m_bFailed || m_iNextChunk >= m_iChunkCount)
                return;
            chunk = m_iNextChunk++;
        }
        const uint64_t offset = chunk * kChunk;
        const uint64_t size = std::min(kChunk, m_iSize - offset);
        Slot &slot = m_aSlots[size_t(chunk % m_aSlots.size())];
        if (!ReadAt(m_iDescriptor, input.data(), size, offset)) {
            Fail(ZIP_ER_READ, errno);
            return;
        }
        if (!DeflateChunk(stream.get(), input.data(), size, chunk + 1 == m_iChunkCount, slot))
            return;
        {
            std::lock_guard lock(m_mutex);
            slot.chunk = chunk;
            slot.ready = true;
        }
        m_changed.notify_all();
    }
}

bool DeflateSource::DeflateChunk(void *state, const unsigned char *input, uint64_t size, bool last, Slot &slot)
{
    auto *stream = static_cast<z_stream *>(state);
    // Every chunk starts a new run: it must not refer back into the previous chunk.
    deflateReset(stream);
    try {
        // A sync flush adds an empty stored block (5 bytes) to what the bound allows for.
        slot.data.resize(size_t(deflateBound(stream, uLong(size))) + 16);
    } catch (const std::bad_alloc &) {
        Fail(ZIP_ER_MEMORY, 0);
        return false;
    }
    stream->next_in = const_cast<unsigned char *>(input);
    stream->avail_in = uInt(size);
    stream->next_out = slot.data.data();
    stream->avail_out = uInt(slot.data.size());
    const int result = deflate(stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    if (result != (last ? Z_STREAM_END : Z_OK) || stream->avail_in != 0) {
        Fail(ZIP_ER_INTERNAL, 0);
        return false;
    }
    slot.data.resize(slot.data.size() - stream->avail_out);
    slot.inputSize = size;
    slot.crc = uint32_t(crc32(0, input, uInt(size)));
    return true;
}
