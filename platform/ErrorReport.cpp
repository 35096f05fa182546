#include "platform/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/Modal.h"

QString CurrentErrorText() {
    try {
        throw;
    } catch (const EQuillet& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка");
    }
}

void ShowErrorReport(const QString& text) {
    try {
        MessageBox(text, QStringLiteral("Quillet"), QMessageBox::Ok, QMessageBox::Critical);
    } catch (...) {
        // Nothing more can be done for an error while reporting an error.
    }
}
