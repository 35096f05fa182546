// The event list and the event editor through the real windows and the
// real server: day and all modes, adding, editing, deleting, the keys with
// exact modifiers, and the editor's memory between uses.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

#include "calendar/BirthAdd.h"
#include "calendar/BirthAll.h"
#include "calendar/EventListModel.h"
#include "core/DateTime.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace {

class EventListTest : public CalendarTest {
  protected:
    void AddEvents() override {
        lena = AddStoredEvent("Лена", D(1975, 3, 8), 1, false, 3, "Цветы");
        AddStoredEvent("Праздник", D(2001, 3, 8), 2, true);
        april = AddStoredEvent("Апрель", D(2001, 4, 8), 3);
    }
    void Start() override {
        CalendarTest::Start();
        QTest::mouseClick(surface(), Qt::LeftButton, {}, centre(D(2026, 3, 8)));
    }
    // Opens the list for the selected day or for all events; `user` works in it.
    void openList(bool dayMode, ModalAnswers& answers, std::function<void(TfrmBirthAll&)> user) {
        answers.Then<TfrmBirthAll>([user](TfrmBirthAll& l) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&l));
            user(l);
        });
        (dayMode ? frmMain->acCalendarOpen : frmMain->acCalendarOpenAll)->trigger();
    }
    static QStringList column(TfrmBirthAll& l, int c) {
        QStringList out;
        for (int r = 0; r < l.Events->rowCount(); ++r)
            out << l.Events->index(r, c).data().toString();
        return out;
    }
    static std::vector<int> selected(TfrmBirthAll& l) {
        std::vector<int> out;
        for (const QModelIndex& i : l.ListView->selectionModel()->selectedRows())
            out.push_back(i.row());
        std::sort(out.begin(), out.end());
        return out;
    }
    static void clickRow(TfrmBirthAll& l, int row) {
        const QRect r = l.ListView->visualRect(l.Events->index(row, 0));
        QTest::mouseClick(l.ListView->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void key(TfrmBirthAll& l, Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(l.ListView, k, mods);
    }
    static void ok(TfrmBirthAdd& e) { QTest::mouseClick(e.btnOk, Qt::LeftButton); }
    // The title and what the controls show, in their order.
    static QStringList editorShows(TfrmBirthAdd& e) {
        return {e.windowTitle(),
                e.edCaption->text(),
                e.dtpBDate->text(),
                e.cbVid->currentText(),
                e.edCategory->text(),
                e.edComment->text(),
                e.chbNotified->isChecked() ? "Прошло" : "Будет!"};
    }
    int lena = 0, april = 0;
};

const char* const Columns =
    "CAPTION || '|' || CAST(\"DATE\" AS VARCHAR(24)) || '|' || VID || "
    "'|' || CATEGORY || '|' || COMMENT || '|' || NOTIFIED";

}  // namespace

TEST_F(EventListTest, DayModeListsTheDayAndMonthAndAddingForAnotherDayOnlyDrawsIt) {
    ModalAnswers answers;
    openList(true, answers, [&](TfrmBirthAll& l) {
        EXPECT_EQ(l.windowTitle(), "События дня: Март, 8");
        EXPECT_EQ(column(l, 0), QStringList({"Лена", "Праздник"})) << "1975 and 2001";
        EXPECT_EQ(column(l, EventListModel::ColState), QStringList({"Будет!", "Прошло"}));
        answers.Then<TfrmBirthAdd>([](TfrmBirthAdd& e) {
            EXPECT_EQ(editorShows(e),
                      QStringList({"Новое событие", "", "08.03.2026", "<--->", "1", "", "Будет!"}));
            EXPECT_EQ(e.focusWidget(), e.edCaption);
            typeText(e.edCaption, "Дача");
            QTest::keyClick(e.dtpBDate, Qt::Key_Home);
            QTest::keyClick(e.dtpBDate, Qt::Key_Up);  // the day: 9, 10 March
            QTest::keyClick(e.dtpBDate, Qt::Key_Up);
            QTest::keyClick(e.edCaption, Qt::Key_Return);  // "Ok" is the default button
        });
        key(l, Qt::Key_Insert);
        EXPECT_EQ(column(l, 0), QStringList({"Лена", "Праздник"})) << "not this day's";
    });
    EXPECT_EQ(SqlValue(QStringLiteral("SELECT %1 FROM BIRTH WHERE CAPTION = 'Дача'").arg(Columns)),
              "Дача|2026-03-10 00:00:00.0000|0|1||F");
    surface()->repaint();
    EXPECT_EQ(shown(GetDayRect(D(2026, 3, 10)).Left, GetDayRect(D(2026, 3, 10)).Top), 0xFF0000u);
}

TEST_F(EventListTest, EditWritesTheSixValuesAndOkUnchangedWritesWhatWasStored) {
    const int odd = AddStoredEvent("Странное", EncodeDateTime(1980, 3, 8, 13, 45, 10, 0), 7, false,
                                   150, "с временем");
    EndProgramRun();
    Start();
    const QString oddBefore = stored(odd, Columns);
    ModalAnswers answers;
    openList(true, answers, [&](TfrmBirthAll& l) {
        EXPECT_EQ(column(l, EventListModel::ColKind).last(), "<--->") << "VID 7";
        answers.Then<TfrmBirthAdd>([](TfrmBirthAdd& e) {
            EXPECT_EQ(editorShows(e), QStringList({"Редактировать событие", "Лена", "08.03.1975",
                                                   "<День рождения>", "3", "Цветы", "Будет!"}));
            e.edCaption->selectAll();
            typeText(e.edCaption, "Елена");
            QTest::keyClick(e.dtpBDate, Qt::Key_Home);
            QTest::keyClick(e.dtpBDate, Qt::Key_Down);
            QTest::keyClick(e.cbVid, Qt::Key_Down);
            QTest::keyClick(e.udCategory, Qt::Key_Up);
            typeText(e.edComment, "!");
            QTest::mouseClick(e.chbNotified, Qt::LeftButton, {}, QPoint(8, 10));
            ok(e);
        });
        clickRow(l, 0);
        key(l, Qt::Key_F2);
        answers.Then<TfrmBirthAdd>([](TfrmBirthAdd& e) {
            EXPECT_EQ(e.cbVid->currentIndex(), 0) << "VID 7 shows the first entry";
            EXPECT_EQ(e.udCategory->value(), 100) << "150 beyond the spinner's bound";
            ok(e);
        });
        ASSERT_EQ(column(l, 0), QStringList({"Праздник", "Странное"})) << "Лена on 7 March now";
        clickRow(l, 1);
        key(l, Qt::Key_F2);
    });
    EXPECT_EQ(stored(lena, Columns), "Елена|1975-03-07 00:00:00.0000|2|4|Цветы!|T");
    EXPECT_EQ(oddBefore, "Странное|1980-03-08 13:45:10.0000|7|150|с временем|F");
    EXPECT_EQ(stored(odd, Columns), oddBefore);
}

TEST_F(EventListTest, DeleteAsksAndSelectsTheRowThatTakesTheDeletedPlace) {
    struct Case {
        std::function<void(TfrmBirthAll&)> choose;
        QMessageBox::StandardButton answer;
        int left;
        std::vector<int> selectedAfter;
        const char* what;
    } cases[] = {
        {[](TfrmBirthAll& l) { clickRow(l, 2); }, QMessageBox::No, 3, {2}, "No keeps all"},
        {[](TfrmBirthAll&) {}, QMessageBox::Yes, 3, {}, "nothing chosen: asked all the same"},
        {[](TfrmBirthAll& l) { clickRow(l, 2); }, QMessageBox::Yes, 2, {1}, "the new last row"},
        {[](TfrmBirthAll& l) { key(l, Qt::Key_A, Qt::ControlModifier); },
         QMessageBox::Yes,
         0,
         {},
         "Ctrl+A, Delete, Yes: everything, no selection"},
    };
    for (const Case& c : cases) {
        ModalAnswers answers;
        openList(false, answers, [&](TfrmBirthAll& l) {
            c.choose(l);
            answers.Press(c.answer);
            key(l, Qt::Key_Delete);
            EXPECT_EQ(l.Events->rowCount(), c.left) << c.what;
            EXPECT_EQ(selected(l), c.selectedAfter) << c.what;
        });
        const ModalAnswers::Seen& q = answers.Windows().at(1);
        EXPECT_EQ(QStringList({answers.Windows()[0].title, q.title, q.text}),
                  QStringList({"Список всех событий", "Удаление", "Удалить выделенные события?"}));
        EXPECT_TRUE(q.buttons == (QMessageBox::Yes | QMessageBox::No) && !q.icon);
        EXPECT_EQ(storedCount(), c.left) << c.what;
    }
}

TEST_F(EventListTest, KeysTakeNoOtherModifiersAndDayModeDeletesOnlyThatDay) {
    ModalAnswers answers;
    openList(true, answers, [&](TfrmBirthAll& l) {
        clickRow(l, 1);
        // No window may come; which modifiers each key takes is the table
        // of ListKeyCommand.
        key(l, Qt::Key_Insert, Qt::ShiftModifier);
        key(l, Qt::Key_Delete, Qt::ControlModifier);
        key(l, Qt::Key_F2, Qt::AltModifier);
        key(l, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(selected(l), std::vector<int>{1});
        key(l, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(selected(l), (std::vector<int>{0, 1}));
        answers.Press(QMessageBox::Yes);
        key(l, Qt::Key_Delete);
    });
    EXPECT_EQ(storedCount(), 1);
    EXPECT_EQ(stored(april, "CAPTION"), "Апрель");
}

TEST_F(EventListTest, TheCalendarsAddKeepsKindAndStateTheListsResetsThem) {
    ModalAnswers answers;
    openList(true, answers, [&](TfrmBirthAll& l) {  // the joyful, past event
        answers.Then<TfrmBirthAdd>(ok);
        clickRow(l, 1);
        key(l, Qt::Key_F2);
    });
    QTest::mouseClick(surface(), Qt::LeftButton, {}, centre(D(2026, 5, 20)));
    Pump();
    const int fullPaints = page().FullPaints();
    answers.Then<TfrmBirthAdd>([](TfrmBirthAdd& e) {
        EXPECT_EQ(editorShows(e), QStringList({"Новое событие", "", "20.05.2026",
                                               "<Радостное событие>", "1", "", "Прошло"}));
        typeText(e.edCaption, "Выпускной");
        ok(e);
    });
    frmMain->acCalendarAdd->trigger();
    Pump();
    EXPECT_EQ(
        SqlValue(QStringLiteral("SELECT %1 FROM BIRTH WHERE CAPTION = 'Выпускной'").arg(Columns)),
        "Выпускной|2026-05-20 00:00:00.0000|2|1||T");
    EXPECT_EQ(page().FullPaints(), fullPaints) << "only the new event's cell was drawn";
    const TRect r = GetDayRect(D(2026, 5, 20));
    EXPECT_EQ(shown(r.Left + 20, r.Top + 4), 0xF06950u);

    openList(true, answers, [&](TfrmBirthAll& l) {
        answers.Then<TfrmBirthAdd>([](TfrmBirthAdd& e) {
            EXPECT_EQ(editorShows(e)[3] + editorShows(e)[6], "<--->Будет!");
            QTest::keyClick(&e, Qt::Key_Escape);
        });
        QTest::mouseDClick(l.ListView->viewport(), Qt::LeftButton, {}, QPoint(100, 200));
    });
    EXPECT_EQ(storedCount(), 4) << "Esc adds nothing";
}

TEST_F(EventListTest, OkLeavesWhatTheUserLeftAloneAsTheRowHoldsIt) {
    Sql("INSERT INTO BIRTH VALUES (900, 1, 'Последний миг', '9999-12-31 23:59:59.9999', 1, 1, "
        "'', 'F')");
    const int noticed = AddStoredEvent("Объявлено при открытом окне", D(1980, 3, 8), 1);
    EndProgramRun();
    Start();
    const struct {
        const char* name;
        int id;
        std::function<void()> meanwhile;
        const char* expected;
    } cases[] = {
        {"the last tenth of a millisecond", 900, [] {},
         "Последний миг|9999-12-31 23:59:59.9999|1|1||F"},
        // The notice of the event, given by a tick while the editor is open.
        {"a notice given meanwhile", noticed,
         [noticed] {
             TMemTable& b = DM->cdsBirth;
             ASSERT_TRUE(b.Locate(noticed));
             b.Edit();
             b.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(true);
             b.Post();
             DM->ApplyTable(b);
         },
         "Объявлено при открытом окне|1980-03-08 00:00:00.0000|1|1||T"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModalAnswers answers;
        openList(false, answers, [&](TfrmBirthAll& l) {
            answers.Then<TfrmBirthAdd>([&](TfrmBirthAdd& e) {
                c.meanwhile();
                ok(e);
            });
            clickRow(l, int(column(l, 0).indexOf(stored(c.id, "CAPTION"))));
            key(l, Qt::Key_F2);
        });
        EXPECT_EQ(stored(c.id, Columns), QString::fromUtf8(c.expected));
    }
    EXPECT_FALSE(DM->HasUnsentChanges());
}
