// Test entry for drawing without widgets: a GUI application on the
// offscreen platform (fonts and painting), the Russian formats.
#include <gtest/gtest.h>
#include <QGuiApplication>

#include "core/Formats.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia));
    return RUN_ALL_TESTS();
}
