// Test entry for the calendar files: the local time of Moscow (the zone of
// the sample files, which keeps one offset all year), the Russian formats.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <ctime>
#include "core/Formats.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("TZ", "Europe/Moscow");
    tzset();
    QCoreApplication app(argc, argv);
    SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia));
    return RUN_ALL_TESTS();
}
