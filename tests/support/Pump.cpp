#include "tests/support/Pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

void Pump(int ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (ms > 0) QTest::qWait(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        Pump(10);
    }
    return true;
}
