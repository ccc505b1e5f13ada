#pragma once
// The check for another running copy of the program: the first copy holds a lock file in
// the temporary folder for its whole run; a copy that finds the lock held is a further
// copy and names its temporary and log files with "." and its process id. A lock left by
// a copy that ended without removing it does not count.

#include <QString>

#include <memory>

class QLockFile;

class InstanceLock {
public:
    // Tries to take "tevrin.lock" in `folder` (created when missing).
    explicit InstanceLock(const QString &folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    bool IsFirstCopy() const { return m_bFirst; }
    // Empty for the first copy, otherwise "." and this process's id.
    QString Suffix() const;

private:
    std::unique_ptr<QLockFile> m_pLock;
    bool m_bFirst = false;
};

// Start-up's instance check: takes the lock in the default temporary folder (the
// preferences do not exist yet), sets General::InstanceSuffix() and prints
// "Instance lock checked.". The caller holds the result for the whole run.
std::unique_ptr<InstanceLock> CheckInstance();
