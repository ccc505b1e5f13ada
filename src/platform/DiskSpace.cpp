#include "platform/DiskSpace.h"

#include <QFile>

#include <algorithm>
#include <atomic>

#include <sys/statvfs.h>

namespace {
std::atomic<uint64_t> g_limit{~uint64_t(0)};
}  // namespace

uint64_t AvailableDiskSpace(const QString &folder)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return 0;
    return std::min(uint64_t(info.f_bavail) * uint64_t(info.f_frsize), g_limit.load());
}

void SetDiskSpaceLimit(uint64_t bytes) { g_limit = bytes; }
