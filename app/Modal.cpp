#include "app/Modal.h"

#include <QApplication>
#include <QDialog>

namespace {
bool ending = false;
}

int ShowModal(QDialog* dialog) {
    if (ending) return QDialog::Rejected;
    return dialog->exec();
}

QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                       QMessageBox::StandardButtons buttons,
                                       QMessageBox::Icon icon) {
    if (ending) return QMessageBox::NoButton;
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    const int r = box.exec();
    return ending ? QMessageBox::NoButton : QMessageBox::StandardButton(r);
}

void EndProgram() {
    ending = true;
    // Every running event loop of the thread leaves: the open dialogs'
    // exec() return Rejected, then the main loop ends.
    QCoreApplication::exit(0);
}

bool ProgramEnding() {
    return ending;
}
void ResetProgramEnding() {
    ending = false;
}
