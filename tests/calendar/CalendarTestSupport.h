// The calendar with the whole program behind it: events stored before
// the start, the main window shown, and the user's ways with the page.
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
#include "data/DataModule.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"
#include "tests/support/Pump.h"

// Readable texts in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

class CalendarTest : public ProgramTest {
  protected:
    // Events stored before the start; the reminder timer is off so that no
    // notice comes up unasked; the window is shown on the calendar page.
    void SetUp() override {
        AddEvents();
        StartProgram();
        ASSERT_TRUE(DM->IsConnected());
        frmMain->TimerNotify->stop();
        frmMain->ShowAtStart(false);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmMain));
        frmMain->PageControl->setCurrentWidget(frmMain->tshBirth);
        Pump();
    }
    virtual void AddEvents() {}

    // Adds an event straight to the database and returns its ID.
    int AddStoredEvent(const QString& caption, TDateTime date, int vid, bool notified = false,
                       int category = 1, const QString& comment = {}) {
        static int next = 500;
        const int id = ++next;
        const DateParts d = DecodeDate(date);
        const TimeParts t = DecodeTime(date);
        QString c = caption, m = comment;
        c.replace(u'\'', QStringLiteral("''"));
        m.replace(u'\'', QStringLiteral("''"));
        Sql(QStringLiteral("INSERT INTO BIRTH (ID, USER_ID, CAPTION, \"DATE\", VID, CATEGORY, "
                           "COMMENT, NOTIFIED) VALUES (%1, 1, '%2', "
                           "'%3-%4-%5 %6:%7:%8', %9, %10, '%11', '%12')")
                .arg(id)
                .arg(c)
                .arg(d.year)
                .arg(d.month)
                .arg(d.day)
                .arg(t.hour)
                .arg(t.minute)
                .arg(t.second)
                .arg(vid)
                .arg(category)
                .arg(m, notified ? QStringLiteral("T") : QStringLiteral("F")));
        return id;
    }
    QString stored(int id, const QString& column) {
        return SqlValue(QStringLiteral("SELECT %1 FROM BIRTH WHERE ID = %2").arg(column).arg(id));
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
    // The colour of the selection's inner ring (2 px outside the cell).
    static QRgb innerRing(TDateTime day) {
        const TRect r = GetDayRect(day);
        return shown((r.Left + r.Right) / 2, r.Top - 2);
    }
};
