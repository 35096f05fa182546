// The calendar with the whole program behind it: events stored before the
// start, the main window shown on the calendar page.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <ostream>

#include "app/Main.h"
#include "calendar/CalendarPage.h"
#include "calendar/CalendarRouts.h"
#include "core/DateTime.h"
#include "data/DataModule.h"
#include "tests/calendar/CalendarDates.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"
#include "tests/support/Pump.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Types `text` into `w` key by key, as a Russian keyboard does.
inline void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key(ch.toUpper().unicode()), QString(ch), {});
}

class CalendarTest : public ProgramTest {
  protected:
    void SetUp() override {
        AddEvents();
        Start();
    }
    virtual void AddEvents() {}
    // Starts the program (no reminder ticks) and shows the calendar page.
    virtual void Start() {
        StartProgram();
        ASSERT_TRUE(DM->IsConnected());
        frmMain->TimerNotify->stop();
        frmMain->ShowAtStart(false);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
        frmMain->PageControl->setCurrentWidget(frmMain->tshBirth);
        Pump();
    }

    // Adds an event straight to the database and returns its ID.
    int AddStoredEvent(const QString& caption, TDateTime date, int vid, bool notified = false,
                       int category = 1, const QString& comment = {}) {
        static int next = 500;
        const QString stamp =
            ToQDate(date).toString(Qt::ISODate) + ToQTime(date).toString(" HH:mm:ss");
        Sql(QStringLiteral("INSERT INTO BIRTH VALUES (%1, 1, '%2', '%3', %4, %5, '%6', '%7')")
                .arg(++next)
                .arg(caption, stamp)
                .arg(vid)
                .arg(category)
                .arg(comment, notified ? "T" : "F"));
        return next;
    }
    QString stored(int id, const QString& columns) {
        return SqlValue(QStringLiteral("SELECT %1 FROM BIRTH WHERE ID = %2").arg(columns).arg(id));
    }
    int storedCount() { return SqlValue(QStringLiteral("SELECT COUNT(*) FROM BIRTH")).toInt(); }

    static TCalendarPage& page() { return *frmMain->Calendar; }
    static QWidget* surface() { return frmMain->Calendar->PB; }
    static QPoint centre(TDateTime day) {
        const TRect r = GetDayRect(day);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    // A pixel of what the page shows.
    static QRgb shown(int x, int y) { return page().Canvas().pixel(x, y) & 0xFFFFFF; }
    // The colour of the selection's inner ring (2 px above the cell).
    static QRgb innerRing(TDateTime day) {
        const TRect r = GetDayRect(day);
        return shown((r.Left + r.Right) / 2, r.Top - 2);
    }
};
