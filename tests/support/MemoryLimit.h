#pragma once
// Runs a piece of code in a forked child whose address space may grow by at most a given
// number of bytes beyond what the process already holds: a bound on what the code
// allocates, checked by the kernel rather than by timing.

#include <QFile>

#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// The process's current address-space size in bytes (0 when /proc cannot tell).
inline long long AddressSpaceBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

// True when `body` returns true in a child limited to `extraBytes` more address space (and,
// when `cpuSeconds` is given, to that much processor time); false when it returns false, or
// the child runs out of memory or time or dies otherwise.
inline bool RunsWithin(long long extraBytes, const std::function<bool()> &body, rlim_t cpuSeconds = 0)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const rlim_t limit = rlim_t(AddressSpaceBytes() + extraBytes);
        const rlimit bound{limit, limit};
        setrlimit(RLIMIT_AS, &bound);
        // A forked child starts with no processor time used.
        const rlimit time{cpuSeconds, cpuSeconds};
        if (cpuSeconds > 0)
            setrlimit(RLIMIT_CPU, &time);
        bool ok = false;
        try {
            ok = body();
        } catch (...) {
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testsupport
