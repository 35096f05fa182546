// The new-year rollover through the whole start sequence: asked when the
// stored year differs from the clock's (a clock set back too), Yes resets
// every event and writes the year, No changes nothing, a first start asks
// nothing.
#include <QFile>

#include "calendar/NewYear.h"
#include "platform/ProfileFile.h"
#include "settings/Settings.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace {
class NewYearTest : public CalendarTest {
  protected:
    void SetUp() override {  // days ahead: no notice comes during the start
        for (int d : {20, 24, 28})
            AddStoredEvent(QStringLiteral("Событие %1").arg(d), D(1990, 12, d), 1, true);
    }
};
}  // namespace

TEST_F(NewYearTest, AskedWhenTheYearsDifferAndYesResetsEveryEvent) {
    const struct {
        int storedYear;  // 0: none stored; the clock stands in 2026
        QMessageBox::StandardButton answer;
        bool asked;
        const char *yearAfter, *statesAfter;
    } cases[] = {
        {2025, QMessageBox::No, true, "2025", "TTT"},  // asked again next time
        {2025, QMessageBox::Yes, true, "2026", "FFF"},
        {2027, QMessageBox::Yes, true, "2026", "FFF"},  // a clock set back
        {2026, QMessageBox::Yes, false, "2026", "TTT"},
        {0, QMessageBox::Yes, false, "<none>", "TTT"},  // a first start
    };
    const QString calendar = QStringLiteral("Calendar"), curYear = QStringLiteral("CurYear");
    for (const auto& c : cases) {
        Sql(QStringLiteral("UPDATE BIRTH SET NOTIFIED = 'T'"));
        QFile::remove(SettingsFilePath());
        if (c.storedYear)
            ProfileFile::WriteInteger(SettingsFilePath(), calendar, curYear, c.storedYear);
        {
            ModalAnswers answers;
            if (c.asked) answers.Press(c.answer);
            StartProgram();
            if (c.asked) {
                const ModalAnswers::Seen& q = answers.Windows().at(0);
                EXPECT_EQ(QStringList({q.title, q.text}),
                          QStringList({"Новый год", NewYearQuestion(2026)}));
                EXPECT_TRUE(q.buttons == (QMessageBox::Yes | QMessageBox::No) && !q.icon);
            }
        }
        EXPECT_FALSE(DM->HasUnsentChanges());
        EXPECT_EQ(SqlValue("SELECT LIST(NOTIFIED, '') FROM (SELECT NOTIFIED FROM BIRTH ORDER BY "
                           "ID)"),
                  c.statesAfter)
            << c.storedYear << " " << c.answer;
        EXPECT_EQ(ProfileFile::ReadString(SettingsFilePath(), calendar, curYear, "<none>"),
                  c.yearAfter);
        EndProgramRun();
    }
}
