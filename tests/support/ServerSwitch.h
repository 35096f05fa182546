// Stopping and starting the shared Firebird server, for the tests of an
// outage (they run alone).
#pragma once

#include <gtest/gtest.h>

#include <QProcess>

// Runs scripts/fbserver with `verb` ("stop" or "start").
inline void SwitchServer(const char* verb) {
    QProcess p;
    p.start(QStringLiteral(QUILLET_SOURCE_DIR "/scripts/fbserver"), {QString::fromLatin1(verb)});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

// The server comes back however the test ends.
struct ServerBack {
    ~ServerBack() { SwitchServer("start"); }
};
