#pragma once
// Consistency checks, the log, checked allocation and the exception type.
// A failed check is written to the log and the program goes on with the
// caller's fallback, so a broken invariant leaves a trace instead of a crash.

#include <QString>

#include <cstddef>
#include <cstdio>

// Writes "Assertion failed in FILE line N ..." to the log; always false.
bool AssertFailed(const char *file, int line, const char *expression, const char *message);

// True when `expr` holds; otherwise reports it and yields false so the caller can fall back.
#define TV_CHECK(expr) ((expr) ? true : AssertFailed(__FILE__, __LINE__, #expr, nullptr))
#define TV_ASSERT(expr) ((void)TV_CHECK(expr))

// printf-style; one write to the log file (flushed) and a copy to the open log windows.
// Messages of any length are kept whole. Safe from any thread: lines from other threads
// reach the log windows through the GUI thread's event loop.
void Log(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Allocation for the program's own objects and scratch buffers; throws std::bad_alloc.
// `mayFail` marks call sites that cope with the failure.
void *Allocate(std::size_t size, bool mayFail);
void Deallocate(void *block);

namespace General {

// The log file the shell opens; null before it is opened and after it is closed.
void SetLogFile(std::FILE *file);
std::FILE *GetLogFile();

// The exception of unrecoverable conditions; the event loop shows its text.
class Error {
public:
    Error(int code, const QString &message) : m_iCode(code), m_sMessage(message) {}
    int GetCode() const { return m_iCode; }
    const QString &GetMessage() const { return m_sMessage; }
    // A critical box titled "Error" with `prefix` and the message, through the shell.
    void Show(const QString &prefix) const;

private:
    int m_iCode;
    QString m_sMessage;
};

}  // namespace General
