#include "tests/support/ModalAnswers.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include "platform/Modal.h"

namespace {
ModalAnswers* active = nullptr;
// How long a live window may stay open before the test gives up on it.
constexpr int LiveLimitMs = 10000;
}  // namespace

ModalAnswers::ModalAnswers() {
    if (active) fail("two ModalAnswers at once");
    active = this;
    SetModalHook([this](QWidget* w) { return Take(w); });
}

ModalAnswers::~ModalAnswers() {
    SetModalHook({});
    active = nullptr;
    if (!answers_.empty())
        ADD_FAILURE() << answers_.size() << " answer(s) left: fewer windows came than expected";
}

void ModalAnswers::fail(const char* message) {
    ADD_FAILURE() << message;
}

ModalAnswers& ModalAnswers::Then(Action act) {
    answers_.push_back({std::move(act), false});
    return *this;
}

ModalAnswers& ModalAnswers::Press(QMessageBox::StandardButton button) {
    return Then([button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return fail("the window is no message box");
        QAbstractButton* b = box->button(button);
        if (!b) return fail("the message box has no such button");
        QTest::mouseClick(b, Qt::LeftButton);
    });
}

ModalAnswers& ModalAnswers::Live(Action act) {
    answers_.push_back({std::move(act), true});
    return *this;
}

bool ModalAnswers::Take(QWidget* window) {
    Seen s;
    s.title = window->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(window)) {
        s.text = box->text();
        s.icon = box->icon();
        s.buttons = box->standardButtons();
    }
    seen_.push_back(s);
    if (answers_.empty()) {
        ADD_FAILURE() << "a window came with no answer left: " << s.title.toStdString() << " "
                      << s.text.toStdString();
        return true;  // closes as cancelled
    }
    Answer a = std::move(answers_.front());
    answers_.pop_front();
    if (!a.live) {
        // Up and active, as after the first turns of its own loop.
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window, 1000)) fail("the window did not become active");
        QCoreApplication::processEvents();
        a.act(window);
        return true;
    }
    // Inside the window's own loop, once it is up.
    QPointer<QWidget> w = window;
    QTimer::singleShot(0, window, [w, act = std::move(a.act)] {
        if (w) act(w);
    });
    QTimer::singleShot(LiveLimitMs, window, [w] {
        auto* d = qobject_cast<QDialog*>(w.data());
        if (!d || !d->isVisible()) return;
        ADD_FAILURE() << "a window is still open: " << d->windowTitle().toStdString();
        d->done(QDialog::Rejected);
    });
    return false;
}
