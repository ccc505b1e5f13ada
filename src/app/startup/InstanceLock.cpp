#include "app/startup/InstanceLock.h"

#include "app/settings/Preferences.h"
#include "app/startup/Console.h"
#include "foundation/Globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>

InstanceLock::InstanceLock(const QString &folder)
{
    QDir().mkpath(folder);
    m_pLock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("tevrin.lock")));
    // Only a lock whose process is gone is stale, however long the first copy runs.
    m_pLock->setStaleLockTime(0);
    m_bFirst = m_pLock->tryLock(0);
}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::Suffix() const
{
    return m_bFirst ? QString() : QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
}

std::unique_ptr<InstanceLock> CheckInstance()
{
    auto lock = std::make_unique<InstanceLock>(Preferences::DefaultTempFolder());
    General::InstanceSuffix() = lock->Suffix();
    Console("Instance lock checked.\n");
    return lock;
}
