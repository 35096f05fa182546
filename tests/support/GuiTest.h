// Helpers for tests that drive the real windows offscreen: finding and
// clicking their buttons. Modal windows are answered with ModalAnswers.
#pragma once

#include <QString>

#include "tests/support/Pump.h"

class QAbstractButton;
class QWidget;

// The button whose text, without its '&' accelerator marks, is `text`.
QAbstractButton* FindButton(QWidget* window, const QString& text);
// Clicks it with the mouse; fails the test when there is none.
void ClickButton(QWidget* window, const QString& text);
