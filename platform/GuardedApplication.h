// The application object of the program: the last guard against an error
// that escaped every handler. It is shown by the general error report and
// the program goes on.
#pragma once

#include <QApplication>

class TGuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};
