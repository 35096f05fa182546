#include "tests/support/Pump.h"

#include <QCoreApplication>
#include <QTest>

void Pump(int ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (ms > 0) QTest::qWait(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
