// Modal windows of the program: dialogs, message boxes and reminders all
// open through here, so that the end of the program can close the open
// ones as if cancelled and no new one opens while the program ends.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

// Shows `dialog` modally and returns its result; QDialog::Rejected at
// once while the program is ending.
int ShowModal(QDialog* dialog);

// A message box with the given buttons; returns the button pressed
// (QMessageBox::NoButton when closed without one).
QMessageBox::StandardButton MessageBox(const QString& text, const QString& caption,
                                       QMessageBox::StandardButtons buttons,
                                       QMessageBox::Icon icon = QMessageBox::NoIcon);

// Ends the message loop: open modal windows close as if cancelled first.
void EndProgram();
bool ProgramEnding();
// For tests that start a new program run in the same process.
void ResetProgramEnding();

// For tests: a hook that gets every modal window before it is shown. It
// may show and answer the window itself (click a button, close it) and
// return true: the window then closes without a nested loop, with the
// result the answer gave it. Returning false lets the window run its real
// modal loop. An empty hook is the program's own behaviour.
using ModalHook = std::function<bool(QWidget* window)>;
void SetModalHook(ModalHook hook);
