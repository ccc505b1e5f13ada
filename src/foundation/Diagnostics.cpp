#include "foundation/Diagnostics.h"

#include "foundation/LogFile.h"
#include "foundation/ShellServices.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>
#include <string>

namespace {
std::atomic<std::FILE *> s_pLogFile = nullptr;
// Workers log too: one line at a time goes to the file, so lines never interleave. The
// same lock orders the lines waiting for the log windows, so they show in the file's order.
std::mutex s_logMutex;
QString s_sLogPath;
std::deque<QString> s_aWaiting;
bool s_bDrainPosted = false;
bool s_bDraining = false;  // GUI thread only

// Hands the waiting lines to the log windows, oldest first. GUI thread only; a line logged
// while a window appends joins the loop here instead of overtaking older ones.
void DrainToWindows()
{
    if (s_bDraining)
        return;
    s_bDraining = true;
    for (;;) {
        std::deque<QString> lines;
        {
            std::lock_guard<std::mutex> lock(s_logMutex);
            lines.swap(s_aWaiting);
            s_bDrainPosted = false;
        }
        if (lines.empty())
            break;
        for (const QString &line : lines)
            General::Shell().AppendLogWindow(line);
    }
    s_bDraining = false;
}

void WriteLine(const std::string &text)
{
    const QString line = QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
    // Log windows are widgets: only the GUI thread may touch them, so a worker's line is
    // queued to it. Without an application object there is no other thread to hand it to.
    QCoreApplication *application = QCoreApplication::instance();
    const bool guiThread = !application || QThread::currentThread() == application->thread();
    {
        std::lock_guard<std::mutex> lock(s_logMutex);
        if (std::FILE *file = s_pLogFile.load()) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fflush(file);
        }
        s_aWaiting.push_back(line);
        if (!guiThread && !s_bDrainPosted) {
            s_bDrainPosted = true;
            QMetaObject::invokeMethod(application, &DrainToWindows, Qt::QueuedConnection);
        }
    }
    if (guiThread)
        DrainToWindows();
}

std::string FormatV(const char *format, va_list args)
{
    char small[1024];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0)
        return std::string();
    if (size_t(n) < sizeof small)
        return std::string(small, size_t(n));
    std::string text(size_t(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(size_t(n));
    return text;
}
}  // namespace

namespace General {
void SetLogFile(std::FILE *file)
{
    std::lock_guard<std::mutex> lock(s_logMutex);
    s_pLogFile = file;
    if (!file)
        s_sLogPath.clear();
}
void SetLogFilePath(const QString &path)
{
    std::lock_guard<std::mutex> lock(s_logMutex);
    s_sLogPath = path;
}
std::FILE *GetLogFile() { return s_pLogFile; }
QString GetLogFilePath()
{
    std::lock_guard<std::mutex> lock(s_logMutex);
    return s_sLogPath;
}
}  // namespace General

void Log(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    WriteLine(text);
}

bool AssertFailed(const char *file, int line, const char *expression, const char *message)
{
    General::Shell().AssertionFailed();
    Log("Assertion failed in %s line %d\nThe expression %s is false.\n%s", file, line, expression,
        message ? message : "");
    return false;
}

void *Allocate(std::size_t size, bool)
{
    return ::operator new(size);
}

void Deallocate(void *block)
{
    ::operator delete(block);
}

namespace General {

void Error::Show(const QString &prefix) const
{
    Shell().ShowMessage(ShellServices::kCritical, QStringLiteral("Error"), prefix + m_sMessage);
}

}  // namespace General
