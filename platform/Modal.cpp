#include "platform/Modal.h"

#include <QApplication>
#include <QDialog>

namespace {
bool ending = false;

ModalHook& hook() {
    static ModalHook h;
    return h;
}

// Hands a window to the test hook; true when it answered it.
bool answeredByHook(QDialog* window) {
    if (!hook()) return false;
    window->setResult(QDialog::Rejected);
    if (!hook()(window)) return false;
    if (window->isVisible()) window->hide();
    return true;
}
}  // namespace

void SetModalHook(ModalHook h) {
    hook() = std::move(h);
}

int ShowModal(QDialog* dialog) {
    if (ending) return QDialog::Rejected;
    if (answeredByHook(dialog)) return dialog->result();
    const int result = dialog->exec();
    if (!ending) return result;
    // The end of the program left the window's loop: it closes as cancelled.
    dialog->setResult(QDialog::Rejected);
    dialog->hide();
    return QDialog::Rejected;
}

QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                       QMessageBox::StandardButtons buttons,
                                       QMessageBox::Icon icon) {
    if (ending) return QMessageBox::NoButton;
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    if (answeredByHook(&box)) return box.standardButton(box.clickedButton());
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
