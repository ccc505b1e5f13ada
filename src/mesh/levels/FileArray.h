#pragma once
// An array of plain items kept whole in memory or, when the memory counter refuses
// that, as a window of at most 1,048,576 items over a temporary file. The subdivision
// code keeps its per-face and per-vertex tables of huge levels in it.
//
// Element access goes through Get/Set (or the proxy that operator[] returns), never
// through a reference into the window: moving the window would leave such a reference
// pointing at another item, so `a[i] = a[j]` could write the wrong one.

#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "foundation/ShellServices.h"

#include <QCoreApplication>

#include <QFile>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <type_traits>

namespace General {

template <class T>
class FileArray {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved to and from the file as bytes");

public:
    static constexpr unsigned kWindow = 0x100000;

    class Ref {
    public:
        Ref(FileArray &array, unsigned index) : m_array(array), m_iIndex(index) {}
        operator T() const { return m_array.Get(m_iIndex); }
        Ref &operator=(const T &value)
        {
            m_array.Set(m_iIndex, value);
            return *this;
        }
        Ref &operator=(const Ref &other) { return *this = T(other); }

    private:
        FileArray &m_array;
        unsigned m_iIndex;
    };

    // count items; with loadWhole they are kept in memory unless the counter refuses them.
    // A given path is an existing file that backs the windowed form. Throws
    // std::bad_alloc when neither the memory nor a temporary file can be had.
    FileArray(unsigned count, const QString &path = QString(), bool loadWhole = true);
    ~FileArray() { Release(); }
    FileArray(const FileArray &) = delete;
    FileArray &operator=(const FileArray &) = delete;

    Ref operator[](unsigned index) { return Ref(*this, index); }
    T Get(unsigned index);
    void Set(unsigned index, const T &value);
    void Fill(const T &value);

    // From now on the window holds one item: for scattered access, where a big window
    // would be written back and reread at nearly every step.
    void SetSingleItemAccess();
    // Writes the window back, closes the file and frees the memory.
    void Release();
    void SetWriteBack(bool on) { m_bWriteBack = on; }

    // True once a seek, write or read of the backing file failed (a full disk, say): the
    // items read since may be wrong, and the operation that uses the array must fail.
    bool HasFailed() const { return m_bFailed; }

    unsigned GetSize() const { return m_iSize; }
    bool IsWindowed() const { return m_bWindowed; }
    // The items themselves while the array is whole in memory, else null: for loops that
    // visit items at random, where Get and Set would cost more than the work on them.
    T *GetWholeBuffer() { return m_bWindowed ? nullptr : m_pBuffer; }
    unsigned GetWindowStart() const { return m_iWindowStart; }
    unsigned GetWindowLength() const { return m_iWindowLength; }

private:
    T *Locate(unsigned index);
    bool AllocateWindow(unsigned length);
    void WriteWindow();
    void ReadWindow();
    void ReportFailure(const char *what);

    unsigned m_iSize = 0;
    unsigned m_iWindowStart = 0;
    unsigned m_iWindowLength = 0;
    T *m_pBuffer = nullptr;
    std::FILE *m_pFile = nullptr;
    bool m_bWriteBack = true;
    bool m_bWindowed = false;
    bool m_bBulk = true;
    bool m_bFailed = false;
    int64_t m_iCounted = 0;
    T m_scratch{};
};

template <class T>
FileArray<T>::FileArray(unsigned count, const QString &path, bool loadWhole) : m_iSize(count)
{
    if (loadWhole && AllocateWindow(count))
        return;
    if (loadWhole)
        Log(" Cannot allocate file array for %u items.\n", count);
    m_bWindowed = true;
    const unsigned length = std::min(count, kWindow);
    if (!AllocateWindow(length)) {
        // The window is the fallback itself: take it even past the limit.
        m_pBuffer = new T[length ? length : 1]();
        m_iWindowLength = length;
    }
    if (path.isEmpty()) {
        m_pFile = std::tmpfile();
        if (!m_pFile) {
            Log(" Unable to create temporary file!\n");
            Release();
            throw std::bad_alloc();
        }
        Log(" Buffer allocated and temporary file created.\n");
    } else {
        m_pFile = std::fopen(QFile::encodeName(path).constData(), "r+b");
        if (!TV_CHECK(m_pFile)) {
            Release();
            throw std::bad_alloc();
        }
    }
    ReadWindow();
}

template <class T>
bool FileArray<T>::AllocateWindow(unsigned length)
{
    const int64_t bytes = int64_t(length) * int64_t(sizeof(T));
    if (!AddMemoryBlock(bytes))
        return false;
    T *buffer = new (std::nothrow) T[length ? length : 1]();
    if (!buffer) {
        AddMemoryBlock(-bytes);
        return false;
    }
    m_pBuffer = buffer;
    m_iWindowLength = length;
    m_iCounted = bytes;
    return true;
}

template <class T>
void FileArray<T>::ReportFailure(const char *what)
{
    // Told once: a full disk fails every later transfer too.
    if (!m_bFailed) {
        Log(" File array could not %s its file (%s). Disk may be full.\n", what, std::strerror(errno));
        General::Shell().SetStatusMessage(
            QCoreApplication::translate("FileArray", "A work file could not be written or read. Disk may be full."), 2);
    }
    m_bFailed = true;
}

template <class T>
void FileArray<T>::WriteWindow()
{
    if (!m_pFile || !m_bWriteBack)
        return;
    // Seeking flushes what stdio still buffers, so it reports a failed earlier write too.
    if (fseeko(m_pFile, off_t(m_iWindowStart) * off_t(sizeof(T)), SEEK_SET) != 0)
        ReportFailure("seek in");
    else if (std::fwrite(m_pBuffer, sizeof(T), m_iWindowLength, m_pFile) != m_iWindowLength)
        ReportFailure("write to");
}

template <class T>
void FileArray<T>::ReadWindow()
{
    if (!m_pFile)
        return;
    size_t got = 0;
    if (fseeko(m_pFile, off_t(m_iWindowStart) * off_t(sizeof(T)), SEEK_SET) != 0) {
        ReportFailure("seek in");
    } else {
        got = std::fread(m_pBuffer, sizeof(T), m_iWindowLength, m_pFile);
        if (got < m_iWindowLength && std::ferror(m_pFile)) {
            ReportFailure("read from");
            std::clearerr(m_pFile);
        }
    }
    // Items never written yet lie past the end of the file: they start zeroed, not stale.
    if (got < m_iWindowLength)
        std::memset(static_cast<void *>(m_pBuffer + got), 0, (m_iWindowLength - got) * sizeof(T));
}

template <class T>
T *FileArray<T>::Locate(unsigned index)
{
    if (!TV_CHECK(index < m_iSize) || !m_pBuffer)
        return &m_scratch;
    if (!m_bWindowed)
        return m_pBuffer + index;
    if (index < m_iWindowStart || index >= m_iWindowStart + m_iWindowLength) {
        WriteWindow();
        m_iWindowStart = std::min(index, m_iSize - m_iWindowLength);
        ReadWindow();
    }
    return m_pBuffer + (index - m_iWindowStart);
}

template <class T>
T FileArray<T>::Get(unsigned index)
{
    return *Locate(index);
}

template <class T>
void FileArray<T>::Set(unsigned index, const T &value)
{
    *Locate(index) = value;
}

template <class T>
void FileArray<T>::Fill(const T &value)
{
    for (unsigned i = 0; i < m_iSize; ++i)
        Set(i, value);
}

template <class T>
void FileArray<T>::SetSingleItemAccess()
{
    if (!m_bBulk)
        return;
    m_bBulk = false;
    if (!m_bWindowed || !m_pBuffer)
        return;
    WriteWindow();
    m_iWindowLength = m_iSize ? 1 : 0;
    ReadWindow();
}

template <class T>
void FileArray<T>::Release()
{
    if (m_pFile) {
        if (m_pBuffer)
            WriteWindow();
        // A caller-given file keeps the items: a write that fails only now must still be known.
        if (std::fflush(m_pFile) != 0)
            ReportFailure("write to");
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
    if (m_iCounted)
        AddMemoryBlock(-m_iCounted);
    m_iCounted = 0;
    m_iWindowLength = 0;
}

}  // namespace General
