// The task list of the plan page: its columns, the order and texts of the
// rows, their pictures, and the rebuild with and without the selection.
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QStyleOptionViewItem>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "tests/plan/PlanTestSupport.h"

namespace {

// Which picture a row shows in its date column: "bell", "dial" or "none"
// (an empty place, so that its text stands in line with the others).
QString pictureOf(int row) {
    const QVariant v =
        frmMain->TaskList->index(row, TaskListModel::ColDate).data(Qt::DecorationRole);
    if (!v.isValid()) return QStringLiteral("missing");
    const QIcon icon = v.value<QIcon>();
    if (icon.actualSize(QSize(16, 16)) != QSize(16, 16)) return QStringLiteral("wrong size");
    const QImage shown = icon.pixmap(16, 16).toImage();
    if (shown == QIcon(QStringLiteral(":/bell_16.png")).pixmap(16, 16).toImage())
        return QStringLiteral("bell");
    if (shown == QIcon(QStringLiteral(":/dial_16.png")).pixmap(16, 16).toImage())
        return QStringLiteral("dial");
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (qAlpha(shown.pixel(x, y)) != 0) return QStringLiteral("other");
    return QStringLiteral("none");
}

class TaskListTest : public PlanTest {
  protected:
    void AddTasks() override {
        // Now is Tuesday 08.12.2026 14:37:52.
        future =
            AddStoredTask(QStringLiteral("Купить хлеб"), EncodeDateTime(2026, 12, 9, 9, 5, 0, 0),
                          true, false, false, QStringLiteral("Дом"));
        undated = AddStoredTask(QStringLiteral("Позвонить маме"), 0, false);
        doneLate = AddStoredTask(QStringLiteral("Отчёт за ноябрь"),
                                 EncodeDateTime(2026, 12, 1, 10, 0, 0, 0), true, true, true,
                                 QStringLiteral("Работа"));
        atNow = AddStoredTask(QStringLiteral("Ровно сейчас"),
                              EncodeDateTime(2026, 12, 8, 14, 37, 52, 0), true, false, true);
        nextSecond = AddStoredTask(QStringLiteral("Через секунду"),
                                   EncodeDateTime(2026, 12, 8, 14, 37, 53, 0));
        midnight =
            AddStoredTask(QStringLiteral("В полночь"), EncodeDateTime(2026, 12, 10, 0, 0, 0, 0));
        doneAhead = AddStoredTask(QStringLiteral("Уже сделано"),
                                  EncodeDateTime(2027, 1, 5, 8, 0, 0, 0), true, true);
        undatedDone = AddStoredTask(QStringLiteral("Без даты, сделано"), 0, false, true);
        // Flags other programs may have written: only exactly "T" is done.
        Sql(
            QStringLiteral("INSERT INTO TASK (ID, USER_ID, NEEDALERT, DATETIME, CAPTION, CATEGORY, "
                           "DETAILS, EXECUTED, NOTIFIED) VALUES (2001, 1, 'T', "
                           "'2026-12-20 18:30:00', 'Строчная t', '', '', 't', 'F')"));
        Sql(
            QStringLiteral("INSERT INTO TASK (ID, USER_ID, NEEDALERT, DATETIME, CAPTION, CATEGORY, "
                           "DETAILS, EXECUTED, NOTIFIED) VALUES (2002, 1, 'T', "
                           "'2026-12-02 07:15:00', 'Буква Y', '', '', 'Y', 'T')"));
        lowerT = 2001;
        letterY = 2002;
    }
    int future = 0, undated = 0, doneLate = 0, atNow = 0, nextSecond = 0, midnight = 0,
        doneAhead = 0, undatedDone = 0, lowerT = 0, letterY = 0;
};

TEST_F(TaskListTest, ColumnsAndWaysOfSelecting) {
    QTableView* v = list();
    const char* const captions[] = {"Дата", "Время", "Задание", "Категория", "Выполнено"};
    const int widths[] = {106, 70, 270, 140, 74};
    ASSERT_EQ(rows()->columnCount(), 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(rows()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromUtf8(captions[c]));
        // A column grows only where the font leaves a date or its caption too
        // little room.
        EXPECT_GE(v->columnWidth(c), widths[c]) << "column " << c;
        EXPECT_GE(v->columnWidth(c), v->horizontalHeader()->sectionSizeHint(c)) << "column " << c;
        if (c > 0 && widths[c] >= v->horizontalHeader()->sectionSizeHint(c)) {
            EXPECT_EQ(v->columnWidth(c), widths[c]) << "column " << c;
        }
    }
    EXPECT_TRUE(v->showGrid());
    EXPECT_EQ(v->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_NE(v->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(v->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(selectedRows().empty()) << "the first filling selects nothing";

    // Whole rows, several at once, with the mouse.
    clickRow(1);
    EXPECT_EQ(v->selectionModel()->selectedIndexes().size(), 5) << "the whole row";
    clickRow(3, Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(), (std::vector<int>{1, 2, 3}));
    clickRow(6, Qt::ControlModifier);
    EXPECT_EQ(selectedRows(), (std::vector<int>{1, 2, 3, 6}));
    for (int r = 0; r < rowCount(); ++r)
        EXPECT_EQ(rows()->index(r, 3).data(Qt::UserRole).toInt(), rows()->IdAt(r));
}

TEST_F(TaskListTest, RowsInOrderOfTheirMomentWithTheirTextsAndPictures) {
    ASSERT_EQ(rowCount(), 10);
    // Tasks without a date first, then by the moment.
    const std::vector<int> ids = listIds();
    EXPECT_TRUE(rowOf(undated) < 2 && rowOf(undatedDone) < 2);
    EXPECT_EQ(std::vector<int>(ids.begin() + 2, ids.end()),
              (std::vector<int>{doneLate, letterY, atNow, nextSecond, future, midnight, lowerT,
                                doneAhead}));

    auto row = [&](int id) { return rowTexts(rowOf(id)); };
    auto picture = [&](int id) { return pictureOf(rowOf(id)); };
    EXPECT_EQ(row(undated), QStringList({"<нет>", "<нет>", "Позвонить маме", "", "<нет>"}));
    EXPECT_EQ(picture(undated), "bell");
    EXPECT_EQ(row(undatedDone), QStringList({"<нет>", "<нет>", "Без даты, сделано", "", "<да>"}));
    EXPECT_EQ(picture(undatedDone), "dial");
    EXPECT_EQ(row(future),
              QStringList({"09.12.2026 <Ср>", "09:05", "Купить хлеб", "Дом", "<нет>"}));
    EXPECT_EQ(picture(future), "bell");
    EXPECT_EQ(row(doneLate),
              QStringList({"01.12.2026 <Вт>", "10:00", "Отчёт за ноябрь", "Работа", "<да>"}));
    EXPECT_EQ(picture(doneLate), "dial") << "done, though its moment has passed";
    EXPECT_EQ(row(doneAhead), QStringList({"05.01.2027 <Вт>", "08:00", "Уже сделано", "", "<да>"}));
    EXPECT_EQ(picture(doneAhead), "dial");
    EXPECT_EQ(row(atNow).at(0), "08.12.2026 <Вт>");
    EXPECT_EQ(picture(atNow), "none") << "its moment is now: overdue";
    EXPECT_EQ(picture(nextSecond), "bell") << "a second ahead";
    EXPECT_EQ(row(midnight).mid(0, 2), QStringList({"10.12.2026 <Чт>", "00:00"}));
    EXPECT_EQ(row(lowerT), QStringList({"20.12.2026 <Вс>", "18:30", "Строчная t", "", "<нет>"}));
    EXPECT_EQ(picture(lowerT), "bell");
    EXPECT_EQ(row(letterY).at(4), "<нет>");
    EXPECT_EQ(picture(letterY), "none");
    // Only the date column has a picture; dates and times are never cut short.
    QStyleOptionViewItem option;
    option.initFrom(list()->viewport());
    option.font = list()->font();
    option.decorationSize = list()->iconSize();
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 1; c < TaskListModel::ColumnCount; ++c)
            EXPECT_FALSE(rows()->index(r, c).data(Qt::DecorationRole).isValid());
        for (int c : {TaskListModel::ColDate, TaskListModel::ColTime, TaskListModel::ColDone}) {
            const QModelIndex i = rows()->index(r, c);
            EXPECT_LE(list()->itemDelegate()->sizeHint(option, i).width(), list()->columnWidth(c))
                << i.data().toString().toStdString() << " fits its column";
        }
    }

    // The pictures are those of the moment of the rebuild.
    Clock::Advance(1000);
    frmMain->Plan->LoadTaskList(false, 0);
    EXPECT_EQ(picture(nextSecond), "none");
    EXPECT_EQ(picture(future), "bell");
}

TEST_F(TaskListTest, RebuildKeepsOrDropsTheSelection) {
    TfrmMain& m = *frmMain;
    clickRow(4);
    m.Plan->LoadTaskList(true, midnight);
    EXPECT_EQ(selectedRows(), std::vector<int>{rowOf(midnight)});
    EXPECT_EQ(currentRow(), rowOf(midnight));
    EXPECT_TRUE(DM->cdsTask.Eof()) << "the table is left past its last row";

    m.Plan->LoadTaskList(true, 999999);
    EXPECT_EQ(selectedRows(), std::vector<int>{0}) << "no such task: the first row";
    EXPECT_EQ(currentRow(), 0);

    clickRow(2);
    clickRow(5, Qt::ControlModifier);
    m.Plan->LoadTaskList(false, future);
    EXPECT_TRUE(selectedRows().empty());

    // The rows come from the table as it is now.
    TMemTable& t = DM->cdsTask;
    ASSERT_TRUE(t.Locate(future));
    t.Edit();
    t.FieldByName(QStringLiteral("CAPTION")).SetString(QStringLiteral("Купить хлеб и молоко"));
    t.FieldByName(QStringLiteral("DATETIME")).SetDateTime(EncodeDateTime(2028, 2, 29, 6, 7, 0, 0));
    t.Post();
    ASSERT_TRUE(t.Locate(atNow));
    t.Delete();
    t.First();
    m.Plan->LoadTaskList(true, future);
    EXPECT_TRUE(t.Eof());
    ASSERT_EQ(rowCount(), 9);
    EXPECT_EQ(rowOf(atNow), -1);
    EXPECT_EQ(rowOf(future), 8) << "moved to the end by its new moment";
    EXPECT_EQ(rowTexts(8).mid(0, 3),
              QStringList({"29.02.2028 <Вт>", "06:07", "Купить хлеб и молоко"}));
    EXPECT_EQ(selectedRows(), std::vector<int>{8});
    EXPECT_EQ(currentRow(), 8);
}

TEST_F(TaskListTest, SelectedRowIsScrolledIntoView) {
    TMemTable& t = DM->cdsTask;
    for (int i = 0; i < 60; ++i) {
        t.Append();
        t.FieldByName(QStringLiteral("ID")).SetInteger(5000 + i);
        t.FieldByName(QStringLiteral("USER_ID")).SetInteger(1);
        t.FieldByName(QStringLiteral("DATETIME"))
            .SetDateTime(EncodeDateTime(2027, 3, 1, 0, i, 0, 0));
        t.FieldByName(QStringLiteral("CAPTION")).SetString(QStringLiteral("Задание %1").arg(i));
        t.Post();
    }
    frmMain->Plan->LoadTaskList(true, 5059);
    Pump();
    const QRect shown = list()->visualRect(rows()->index(rowOf(5059), 0));
    EXPECT_TRUE(list()->viewport()->rect().contains(shown)) << "the selected row is visible";
}

TEST_F(TaskListTest, WithoutTheDatabaseTheListStaysAsItIs) {
    clickRow(3);
    const std::vector<int> before = listIds();
    DM->Close();
    frmMain->Plan->LoadTaskList(true, future);
    frmMain->Plan->LoadTaskList(false, 0);
    EXPECT_EQ(listIds(), before);
    EXPECT_EQ(selectedRows(), std::vector<int>{3});
}

class EmptyTaskListTest : public PlanTest {};

TEST_F(EmptyTaskListTest, EmptyTableGivesAnEmptyListWithoutSelection) {
    EXPECT_EQ(rowCount(), 0);
    frmMain->Plan->LoadTaskList(true, 0);
    EXPECT_EQ(rowCount(), 0);
    EXPECT_FALSE(list()->selectionModel()->hasSelection());
    EXPECT_TRUE(DM->cdsTask.Eof());
}

}  // namespace
