// Helpers for tests that drive the real windows offscreen: answering modal
// windows the way a user would, and finding their buttons.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

#include "tests/support/Pump.h"

class QAbstractButton;
class QWidget;

// As soon as a modal window is up (the active modal widget differs from
// the one active now), runs `action` on it. Polls every 10 ms; gives up
// after `timeoutMs`.
void WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// The button whose text, without its '&' accelerator marks, is `text`.
QAbstractButton* FindButton(QWidget* window, const QString& text);
// Clicks it with the mouse; fails the test when there is none.
void ClickButton(QWidget* window, const QString& text);

// Answers the next message box by clicking the button of `answer`;
// `seen` (when given) receives the box's caption and text.
void AnswerMessageBox(QMessageBox::StandardButton answer, QString* seenText = nullptr,
                      QString* seenCaption = nullptr);
