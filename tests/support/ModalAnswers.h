// Answers the modal windows (dialogs, message boxes, reminders) that the
// code under test opens, one answer per window in the order they come.
//
// Then() and Press() answer through the program's modal gate: the window is
// shown and answered with real mouse and key events, without a nested
// loop. Live() lets the window run its real modal loop (for tests of
// nesting: timers keep firing inside it) and acts once it is up.
//
// A window that comes when no answer is left fails the test and closes as
// cancelled; answers left unused at the end fail it too. A live window
// still open after a while fails the test and is closed.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class QWidget;

class ModalAnswers {
  public:
    using Action = std::function<void(QWidget* window)>;

    ModalAnswers();
    ~ModalAnswers();
    ModalAnswers(const ModalAnswers&) = delete;
    ModalAnswers& operator=(const ModalAnswers&) = delete;

    // The next window: `act` answers it as the user would.
    ModalAnswers& Then(Action act);
    // The same for a window of class T (checked).
    template <typename T>
    ModalAnswers& Then(std::function<void(T&)> act) {
        return Then([act](QWidget* w) { act(*castTo<T>(w)); });
    }
    // The next window is a message box: press `button` with the mouse.
    ModalAnswers& Press(QMessageBox::StandardButton button);
    // The next window runs its real modal loop; `act` runs inside it once
    // the window is up.
    ModalAnswers& Live(Action act);

    struct Seen {
        QString title;  // the window's caption
        QString text;   // a message box's text
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };
    // Every window that came, in order.
    const std::vector<Seen>& Windows() const { return seen_; }
    int Remaining() const { return int(answers_.size()); }

  private:
    struct Answer {
        Action act;
        bool live = false;
    };
    bool Take(QWidget* window);
    template <typename T>
    static T* castTo(QWidget* w);
    static void fail(const char* message);

    std::deque<Answer> answers_;
    std::vector<Seen> seen_;
};

template <typename T>
T* ModalAnswers::castTo(QWidget* w) {
    T* t = qobject_cast<T*>(w);
    if (!t) fail("the window is not of the expected class");
    return t;
}
