#include "platform/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

#include "core/Log.h"
#include "platform/Modal.h"

void ShowErrorReport(const QString& text) {
    try {
        MessageBox(text, QStringLiteral("Quillet"), QMessageBox::Ok, QMessageBox::Critical);
    } catch (...) {
        // The user cannot be told; the log keeps both texts.
        WriteLog(QStringLiteral("The error report failed (%1) while reporting: %2")
                     .arg(CurrentErrorText(), text));
    }
}
