#pragma once
// The versioned binary stream: one file, opened for storing or for loading, whose
// first four bytes hold the stream version. Each type has one serialiser for both
// directions, which reads IsStoring() and gates fields on GetVersion().
// All values are little-endian memory images without framing.

#include "foundation/Containers.h"

#include <QString>

#include <cstdint>
#include <cstdio>

class Stream {
public:
    static constexpr int kCurrentVersion = 228;
    // Large transfers are cut into chunks of this size so the display can move between them.
    static constexpr uint64_t kChunk = 0x800000;

    // Opens at once (see Open). Throws General::Error (code 1) for a file newer than this program.
    Stream(const QString &fileName, bool storing, uint64_t progressTotal = 0);
    virtual ~Stream();
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    // Storing: creates/truncates the file and writes the version header.
    // Loading: reads the header; a shorter file sets the error flag and stays closed.
    bool Open();
    // Closes and opens again in the given direction (the error flag is cleared).
    bool Reopen(bool storing);
    void Close();

    virtual bool IsVersionSupported() const { return m_iVersion <= kCurrentVersion; }
    // Reads size bytes; a short read sets the error flag. Returns the bytes read.
    virtual uint64_t Read(void *buffer, uint64_t size);
    // Writes size bytes; returns the bytes written (short on failure, with the error flag set).
    virtual uint64_t Write(const void *buffer, uint64_t size);
    // The guarded write every write goes through: reports the first failure once.
    uint64_t WriteBlock(const void *buffer, uint64_t itemSize, uint64_t count, std::FILE *file);
    // Pushes out what the file still buffers: a write may fail only now (a full disk). A
    // failure is reported as a failed write is; false when the stream has failed at all.
    bool Flush();

    // Transfers in the stream's direction; false on a short transfer.
    bool Transfer(void *buffer, uint64_t size)
    {
        return (m_bStoring ? Write(buffer, size) : Read(buffer, size)) == size;
    }
    Stream &Serialize(int &value) { Transfer(&value, 4); return *this; }
    Stream &SerializeInt(int &value) { return Serialize(value); }
    Stream &Serialize(unsigned &value) { Transfer(&value, 4); return *this; }
    Stream &Serialize(float &value) { Transfer(&value, 4); return *this; }
    Stream &Serialize(double &value) { Transfer(&value, 8); return *this; }
    Stream &Serialize(bool &value);
    Stream &Serialize(unsigned char &value) { Transfer(&value, 1); return *this; }
    Stream &Serialize(char &value) { Transfer(&value, 1); return *this; }
    Stream &Serialize(short &value) { Transfer(&value, 2); return *this; }
    Stream &Serialize(unsigned short &value) { Transfer(&value, 2); return *this; }
    Stream &Serialize(QString &value) { return m_bStoring ? *this << value : *this >> value; }

    // Strings: a 4-byte character count, then the Latin-1 bytes.
    Stream &operator<<(const QString &value);
    Stream &operator>>(QString &value);
    // Reads 4 bytes whatever the direction.
    Stream &operator>>(int &value) { Read(&value, 4); return *this; }

    // Stores: the 4-byte count, then the items' memory images.
    template <class T> bool WriteArray(const General::Store<T> &store);
    // Refuses (error flag, store emptied) a count that the rest of the file cannot hold.
    template <class T> bool ReadArray(General::Store<T> &store);
    template <class T> bool SerializeArray(General::Store<T> &store)
    {
        return m_bStoring ? WriteArray(store) : ReadArray(store);
    }

    // An embedded file: 4-byte size, then its bytes; a missing file is written as size 0.
    bool WriteFile(const QString &path);
    // Extracts an embedded file into `path`; when it cannot be created the bytes are skipped.
    bool ReadFile(const QString &path);

    bool IsOpen() const { return m_pFile != nullptr; }
    bool IsStoring() const { return m_bStoring; }
    int GetVersion() const { return m_iVersion; }
    bool HasError() const { return m_bError; }
    void SetError() { m_bError = true; }
    bool GetLevelChain() const { return m_bLevelChain; }
    void SetLevelChain(bool on) { m_bLevelChain = on; }
    // Storing a scene: every object (true) or only those with selected faces. Loading one:
    // whether its active camera becomes the view's camera.
    bool GetWholeScene() const { return m_bWholeScene; }
    void SetWholeScene(bool on) { m_bWholeScene = on; }
    void SetRemoveOnClose(bool on) { m_bRemoveOnClose = on; }
    const QString &GetFileName() const { return m_sFileName; }
    void SetFileName(const QString &name) { m_sFileName = name; }
    // The file a failed write is reported under, when the person knows the stream's file by
    // another name (a save that writes a temporary file and renames it over its target).
    void SetReportedName(const QString &name) { m_sReportedName = name; }
    std::FILE *GetFile() const { return m_pFile; }

    // What the person is told once when a write to `fileName` fails.
    static QString WriteFailureMessage(const QString &fileName);

    uint64_t Tell() const;
    bool Seek(uint64_t position);
    // Bytes between the position and the end of the file.
    uint64_t BytesLeft() const;
    // False (and the error flag set) when fewer than `bytes` remain: a loader's guard before it allocates.
    bool Expect(uint64_t bytes);

protected:
    std::FILE *m_pFile = nullptr;
    uint64_t m_iProgressTotal = 0;
    int m_iVersion = kCurrentVersion;
    bool m_bStoring = false;
    bool m_bError = false;
    bool m_bLevelChain = true;
    bool m_bWholeScene = true;
    bool m_bRemoveOnClose = false;
    QString m_sFileName;
    QString m_sReportedName;

private:
    uint64_t Chunked(void *buffer, uint64_t size, bool writing);
    void ReportWriteFailure();
};

template <class T>
bool Stream::WriteArray(const General::Store<T> &store)
{
    static_assert(std::is_trivially_copyable_v<T>, "only plain items are stored as memory images");
    unsigned count = store.GetItemCount();
    if (Write(&count, 4) != 4)
        return false;
    const uint64_t bytes = uint64_t(count) * sizeof(T);
    return count == 0 || Write(store.begin(), bytes) == bytes;
}

template <class T>
bool Stream::ReadArray(General::Store<T> &store)
{
    static_assert(std::is_trivially_copyable_v<T>, "only plain items are stored as memory images");
    unsigned count = 0;
    if (Read(&count, 4) != 4 || !Expect(uint64_t(count) * sizeof(T))) {
        store.Clear();
        return false;
    }
    if (!store.SetItemCount(count, false)) {
        m_bError = true;
        return false;
    }
    const uint64_t bytes = uint64_t(count) * sizeof(T);
    return count == 0 || Read(store.begin(), bytes) == bytes;
}
