// The commands of the task list: deleting chosen tasks, the list's keys
// (exact modifiers only), and the double click on a row or below the rows.
#include "core/DateTime.h"
#include "tests/plan/PlanTestSupport.h"

namespace {

class TaskCommandsTest : public PlanTest {
  protected:
    void AddTasks() override {
        const char* const captions[] = {"Первое", "Второе", "Третье", "Четвёртое",
                                        "Пятое",  "Шестое", "Седьмое"};
        for (int i = 0; i < 7; ++i)
            ids.push_back(AddStoredTask(QString::fromUtf8(captions[i]),
                                        EncodeDateTime(2026, 12, 10 + i, 12, 0, 0, 0)));
    }
    // Deletes the chosen rows with the Delete key, answering the question.
    void deleteChosen(QMessageBox::StandardButton answer) {
        ModalAnswers answers;
        answers.Press(answer);
        key(Qt::Key_Delete);
        ASSERT_EQ(answers.Windows().size(), 1u);
        EXPECT_EQ(answers.Windows()[0].text, "Удалить выделенные задания?");
        EXPECT_EQ(answers.Windows()[0].title, "Удаление");
        EXPECT_EQ(answers.Windows()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }
    std::vector<int> ids;
};

TEST_F(TaskCommandsTest, DeleteAsksOnceAndDeletesTheChosenTasks) {
    {
        ModalAnswers none;
        key(Qt::Key_Delete);  // nothing chosen: no question
    }
    EXPECT_EQ(storedCount(), 7);

    clickRow(1);
    clickRow(3, Qt::ControlModifier);
    clickRow(4, Qt::ControlModifier);
    // The question has Yes and No; No keeps everything.
    deleteChosen(QMessageBox::No);
    EXPECT_EQ(storedCount(), 7);
    EXPECT_EQ(rowCount(), 7);
    EXPECT_EQ(selectedRows(), (std::vector<int>{1, 3, 4}));

    // Yes: one question for the three, all gone from the database.
    deleteChosen(QMessageBox::Yes);
    EXPECT_EQ(storedCount(), 4);
    for (int gone : {ids[1], ids[3], ids[4]})
        EXPECT_EQ(stored(gone, "ID"), "<no row>");
    EXPECT_FALSE(DM->HasUnsentChanges());
    EXPECT_EQ(listIds(), (std::vector<int>{ids[0], ids[2], ids[5], ids[6]}));
    EXPECT_EQ(selectedRows(), std::vector<int>{1}) << "the row now where the first deleted was";
    EXPECT_EQ(currentRow(), 1);

    // The last rows: the new last row is chosen.
    clickRow(2);
    clickRow(3, Qt::ShiftModifier);
    deleteChosen(QMessageBox::Yes);
    EXPECT_EQ(listIds(), (std::vector<int>{ids[0], ids[2]}));
    EXPECT_EQ(storedCount(), 2);
    EXPECT_EQ(selectedRows(), std::vector<int>{1});
    EXPECT_EQ(currentRow(), 1);

    // All of them: nothing is left to choose.
    key(Qt::Key_A, Qt::ControlModifier);
    deleteChosen(QMessageBox::Yes);
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(storedCount(), 0);
    EXPECT_FALSE(list()->selectionModel()->hasSelection());
    ModalAnswers none;
    key(Qt::Key_Delete);
}

TEST_F(TaskCommandsTest, DeleteFromTheMenuWithTheListRebuiltDuringTheQuestion) {
    clickRow(2);
    clickRow(5, Qt::ControlModifier);
    // A reminder tick rebuilds the list while the question is up.
    ModalAnswers answers;
    answers.Then([](QWidget* w) {
        frmMain->Plan->LoadTaskList(true, 0);
        QTest::mouseClick(qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes), Qt::LeftButton);
    });
    frmMain->acTaskDelete->trigger();
    EXPECT_EQ(listIds(), (std::vector<int>{ids[0], ids[1], ids[3], ids[4], ids[6]}));
    EXPECT_EQ(storedCount(), 5);
    EXPECT_EQ(stored(ids[0], "CAPTION"), "Первое");
    EXPECT_EQ(selectedRows(), std::vector<int>{2});
}

TEST_F(TaskCommandsTest, KeysWorkOnlyWithTheirExactModifiers) {
    withEditor([] { key(Qt::Key_Insert); },
               [](TfrmNewTask& e) {
                   EXPECT_EQ(e.windowTitle(), "Новое задание");
                   clickCancel(e);
               });
    clickRow(2);
    withEditor([] { key(Qt::Key_F2); },
               [&](TfrmNewTask& e) {
                   EXPECT_EQ(e.windowTitle(), "Редактировать задание");
                   EXPECT_EQ(e.edCaption->text(), "Третье");
                   clickCancel(e);
               });

    // With other modifiers, and Enter, nothing happens, not even what the
    // view would do with the key. Which modifiers each key takes is the
    // table of ListKeyCommand; here each key once.
    const std::pair<Qt::Key, Qt::KeyboardModifiers> idle[] = {
        {Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Delete, Qt::ShiftModifier},
        {Qt::Key_Insert, Qt::AltModifier},
        {Qt::Key_F2, Qt::ControlModifier},
        {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Enter, Qt::KeypadModifier},
    };
    for (const auto& [k, mods] : idle) {
        expectNoWindow([&] { key(k, mods); });
        EXPECT_EQ(selectedRows(), std::vector<int>{2}) << "key " << k << " mods " << mods.toInt();
        EXPECT_EQ(currentRow(), 2);
    }
    EXPECT_EQ(storedCount(), 7);

    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    // The list's own keys go on working.
    key(Qt::Key_Down);
    EXPECT_EQ(selectedRows(), std::vector<int>{3});
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(selectedRows(), std::vector<int>{1});
}

TEST_F(TaskCommandsTest, DoubleClickEditsTheRowOrStartsANewTask) {
    clickRow(0);
    QString shown;
    auto readCaption = [&](TfrmNewTask& e) {
        shown = e.windowTitle() + u'|' + e.edCaption->text();
        clickCancel(e);
    };
    withEditor([] { doubleClickAt(rowCentre(4)); }, readCaption);
    EXPECT_EQ(shown, "Редактировать задание|Пятое") << "the row clicked";
    EXPECT_EQ(selectedRows(), std::vector<int>{4});

    // Below the rows the chosen row stays chosen and is edited.
    withEditor([] { doubleClickAt(belowRows()); }, readCaption);
    EXPECT_EQ(shown, "Редактировать задание|Пятое");
    EXPECT_EQ(selectedRows(), std::vector<int>{4});

    // With nothing chosen it starts a new task.
    clickRow(4, Qt::ControlModifier);
    ASSERT_TRUE(selectedRows().empty());
    withEditor([] { doubleClickAt(belowRows()); }, readCaption);
    EXPECT_EQ(shown, "Новое задание|");
    EXPECT_EQ(storedCount(), 7);
}

}  // namespace
