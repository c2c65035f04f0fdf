#pragma once

#include <QString>

namespace ovento {

// A per-user named lock that marks the running instance. The kernel frees it when the
// process ends, however it ends, so a crash never locks the user out.
class InstanceLock
{
public:
    explicit InstanceLock(const QString& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock; false when another process holds it
    // (AlreadyHeld) or the lock file cannot be opened.
    bool TryAcquire();
    bool AlreadyHeld() const { return m_alreadyHeld; }
    void Release();

    static QString LockFilePath(const QString& name);

private:
    QString m_path;
    int m_fd = -1;
    bool m_alreadyHeld = false;
};

} // namespace ovento
