#pragma once
// The data of one zip entry, deflated from a file on several threads at once. The file is
// cut into chunks; each chunk becomes a raw deflate run of its own, ended by a sync flush
// (the last one by the stream's end), so the runs joined in file order are one valid
// deflate stream that any unzip reads. libzip receives the data as already deflated and
// stores it as is; the checksum and compressed size are known once the last chunk was read.
//
// Few chunks are held at a time (two per thread), so memory stays small for any file size.

#include <QString>

#include <zip.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class DeflateSource {
public:
    // Input bytes per chunk: large enough that restarting the deflate window costs little.
    static constexpr uint64_t kChunk = uint64_t(1) << 20;

    // `threads` 0 means every processor this process may run on.
    DeflateSource(QString file, int level, unsigned threads = 0);
    ~DeflateSource();
    DeflateSource(const DeflateSource &) = delete;
    DeflateSource &operator=(const DeflateSource &) = delete;

    // A libzip source reading through this object, which must outlive the archive it joins.
    // Null (with the archive's error set) when libzip refuses it.
    zip_source_t *MakeSource(zip_t *archive);

    unsigned GetThreadCount() const { return m_iThreads; }

private:
    struct Slot {
        std::vector<unsigned char> data;
        uint64_t chunk = 0;
        uint64_t inputSize = 0;
        uint32_t crc = 0;
        bool ready = false;
    };

    static zip_int64_t Callback(void *self, void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Stat(void *data, zip_uint64_t length);
    bool Open();
    zip_int64_t Read(void *data, zip_uint64_t length);
    void Close();
    // One compressing thread: takes the next chunk while a slot is free for it.
    void Work();
    bool DeflateChunk(void *stream, const unsigned char *input, uint64_t size, bool last, Slot &slot);
    // Records the first failure; every thread stops at it.
    void Fail(int zipError, int systemError);

    const QString m_sFile;
    const int m_iLevel;
    const unsigned m_iThreads;
    zip_error_t m_error{};

    int m_iDescriptor = -1;
    uint64_t m_iSize = 0;
    uint64_t m_iChunkCount = 0;
    std::vector<Slot> m_aSlots;
    std::vector<std::thread> m_aWorkers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Guarded by m_mutex: the next chunk a thread takes, the chunk being read out, a failure.
    uint64_t m_iNextChunk = 0;
    uint64_t m_iReadChunk = 0;
    bool m_bFailed = false;
    bool m_bStopping = false;

    // Used by the reading thread only.
    uint64_t m_iReadOffset = 0;
    uint64_t m_iCompressedSize = 0;
    uint32_t m_iCrc = 0;
    bool m_bDone = false;
};
