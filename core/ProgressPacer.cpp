#include "core/ProgressPacer.h"

bool ProgressPacer::Due(qint64 elapsedMs) {
    if (elapsedMs < firstAfterMs_) return false;
    if (lastMs_ >= 0 && elapsedMs - lastMs_ < everyMs_) return false;
    lastMs_ = elapsedMs;
    return true;
}
