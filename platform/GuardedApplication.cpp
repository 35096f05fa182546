#include "platform/GuardedApplication.h"

#include "core/Error.h"
#include "platform/ErrorReport.h"

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowErrorReport(CurrentErrorText());
        return false;
    }
}
