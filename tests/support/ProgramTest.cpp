#include "tests/support/ProgramTest.h"

#include <QFile>
#include <QMenu>
#include <QTest>

#include "app/Forms.h"
#include "app/Main.h"
#include "core/Clock.h"
#include "data/FbClient.h"
#include "platform/Modal.h"
#include "platform/TrayIcon.h"
#include "settings/Settings.h"
#include "tests/platform/AlsaTestHome.h"
#include "tests/support/Pump.h"

ProgramTest::ProgramTest() {
    db.useAsExeDir();
    QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/assets/notify.wav"),
                db.dir() + QStringLiteral("/notify.wav"));
    sound = std::make_unique<AlsaTestHome>(db.dir() + QStringLiteral("/home"),
                                           AlsaTestHome::Device::Null);
    TfrmMain::ForceTray = 1;
    Clock::Freeze(EncodeDateTime(2026, 12, 8, 14, 37, 52, 0));
}

ProgramTest::~ProgramTest() {
    EndProgramRun();
    sound.reset();
    Clock::Reset();
    TfrmMain::ForceTray = -1;
}

void ProgramTest::SetUp() {
    StartProgram();
}
void ProgramTest::TearDown() {
    EndProgramRun();
}

void ProgramTest::StartProgram() {
    ResetProgramEnding();
    ResetSettingsForTests();
    CreateForms();
    started = true;
}

void ProgramTest::EndProgramRun() {
    if (!started) return;
    started = false;
    ResetProgramEnding();
    DestroyForms();
}

void ProgramTest::Sql(const QString& statement) {
    // The client sends statement text in WIN1251: the connection must say so.
    FbConnection c;
    c.Attach({db.address(), QStringLiteral("sysdba"), QStringLiteral("plumcrest"),
              QStringLiteral("WIN1251"), 3});
    auto tr = c.Begin();
    c.Execute(*tr, statement);
    tr->Commit();
}

QString ProgramTest::SqlValue(const QString& query) {
    FbConnection c;
    c.Attach({db.address(), QStringLiteral("sysdba"), QStringLiteral("plumcrest"),
              QStringLiteral("WIN1251"), 3});
    auto tr = c.Begin();
    QueryResult r = c.Query(*tr, query);
    if (r.rows.empty() || r.rows[0].empty()) return QStringLiteral("<no row>");
    return r.rows[0][0].isNull() ? QStringLiteral("<null>") : r.rows[0][0].toText();
}

int ProgramTest::AddStoredTask(const QString& caption, TDateTime when, bool alert, bool done,
                               bool notified, const QString& category) {
    static int next = 1000;
    const int id = ++next;
    const DateParts d = DecodeDate(when);
    const TimeParts t = DecodeTime(when);
    const QString stamp = QStringLiteral("%1-%2-%3 %4:%5:%6.%7")
                              .arg(d.year, 4, 10, QChar('0'))
                              .arg(d.month, 2, 10, QChar('0'))
                              .arg(d.day, 2, 10, QChar('0'))
                              .arg(t.hour, 2, 10, QChar('0'))
                              .arg(t.minute, 2, 10, QChar('0'))
                              .arg(t.second, 2, 10, QChar('0'))
                              .arg(t.msec, 3, 10, QChar('0'));
    QString c = caption, cat = category;
    c.replace(u'\'', QStringLiteral("''"));
    cat.replace(u'\'', QStringLiteral("''"));
    Sql(QStringLiteral("INSERT INTO TASK (ID, USER_ID, NEEDALERT, DATETIME, CAPTION, CATEGORY, "
                       "DETAILS, EXECUTED, NOTIFIED) VALUES (%1, 1, '%2', '%3', '%4', '%5', '', "
                       "'%6', '%7')")
            .arg(id)
            .arg(alert ? "T" : "F", stamp, c, cat, done ? "T" : "F", notified ? "T" : "F"));
    return id;
}

void ChooseInTray(QAction* item) {
    frmMain->TrayIcon->Press(Qt::RightButton, QPoint(900, 700));
    Pump(20);
    QMenu* menu = frmMain->popmTray;
    ASSERT_TRUE(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
    Pump(20);
}
