// The mark that a copy of the program is running: a lock file in the
// user's runtime folder, held with flock() by the first copy that starts.
#pragma once

#include <QString>

// Held for the life of the process; the kernel releases it when the process ends.
class InstanceLock {
  public:
    // Creates or opens "<name>.lock" in RuntimeDir() and tries to hold it.
    // True when another process holds it, or when the lock cannot be had at
    // all: a copy that cannot tell counts itself as a second one. A call that
    // wins keeps the lock until the process ends; a second call in the same
    // process finds it held. When the lock cannot be had at all, `problem`
    // (may be null) gets the reason, in Russian.
    static bool ProbeAlreadyRunning(const QString& name, QString* problem = nullptr);
};
