// The plan page with the whole program behind it: stored tasks, the main
// window shown, and the user's ways with the list and the task editor.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>

#include "app/Main.h"
#include "data/DataModule.h"
#include "plan/NewTask.h"
#include "plan/TaskListModel.h"
#include "plan/TaskPlan.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"

// Readable texts in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

class PlanTest : public ProgramTest {
  protected:
    // Tasks stored before the start; the reminder timer is off so that no
    // reminder window comes up unasked, and the window is shown (its first
    // showing fills the list).
    void SetUp() override {
        AddTasks();
        StartProgram();
        ASSERT_TRUE(DM->IsConnected());
        frmMain->TimerNotify->stop();
        frmMain->ShowAtStart(false);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frmMain));
        Pump();
    }
    virtual void AddTasks() {}

    static QTableView* list() { return frmMain->ListView; }
    static TaskListModel* rows() { return frmMain->TaskList; }
    static int rowCount() { return frmMain->TaskList->rowCount(); }

    // The texts of a row as the user sees them, column by column.
    static QStringList rowTexts(int row) {
        QStringList out;
        for (int c = 0; c < TaskListModel::ColumnCount; ++c)
            out << rows()->index(row, c).data(Qt::DisplayRole).toString();
        return out;
    }
    static std::vector<int> listIds() {
        std::vector<int> out;
        for (int r = 0; r < rowCount(); ++r)
            out.push_back(rows()->IdAt(r));
        return out;
    }
    static int rowOf(int id) {
        for (int r = 0; r < rowCount(); ++r)
            if (rows()->IdAt(r) == id) return r;
        return -1;
    }
    static std::vector<int> selectedRows() {
        std::vector<int> out;
        for (const QModelIndex& i : list()->selectionModel()->selectedRows())
            out.push_back(i.row());
        std::sort(out.begin(), out.end());
        return out;
    }
    static int currentRow() { return list()->currentIndex().row(); }

    static QPoint rowCentre(int row) {
        return list()->visualRect(rows()->index(row, TaskListModel::ColCaption)).center();
    }
    // A point of the list's empty area below the last row.
    static QPoint belowRows() {
        const int last = rowCount() - 1;
        const int y = last < 0 ? 10 : list()->visualRect(rows()->index(last, 0)).bottom() + 30;
        EXPECT_LT(y, list()->viewport()->height()) << "the rows fill the list";
        return QPoint(150, y);
    }
    static void clickRow(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, mods, rowCentre(row));
    }
    // A double click as the mouse makes it: press and release, then the
    // second press.
    static void doubleClickAt(QPoint at) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    static void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(list(), k, mods);
    }

    // What is stored for a task, read back from the database.
    QString stored(int id, const QString& column) {
        return SqlValue(QStringLiteral("SELECT %1 FROM TASK WHERE ID = %2").arg(column).arg(id));
    }
    QString storedMoment(int id) {
        return stored(id, QStringLiteral("CAST(DATETIME AS VARCHAR(30))"));
    }
    int storedCount() { return SqlValue(QStringLiteral("SELECT COUNT(*) FROM TASK")).toInt(); }
};

// Types `text` into `w` key by key, as a keyboard with a Russian layout
// sends it.
inline void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        if (ch == u'\n')
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key(ch.toUpper().unicode()), QString(ch),
                                Qt::NoModifier);
    }
}

// Runs `open`, which should bring up the task editor modally, and `user`
// on the editor once it is up; `user` closes it.
inline void withEditor(const std::function<void()>& open,
                       const std::function<void(TfrmNewTask&)>& user) {
    ModalAnswers answers;
    answers.Then([&](QWidget* w) {
        EXPECT_EQ(w, frmNewTask) << "the task editor is up";
        user(*frmNewTask);
    });
    open();
    Pump();
}

// Runs `action`, which must open no window at all.
inline void expectNoWindow(const std::function<void()>& action) {
    ModalAnswers none;
    action();
    Pump();
}

// Clicks the editor's OK or Cancel button.
inline void clickOk(TfrmNewTask& e) {
    QTest::mouseClick(e.btnOk, Qt::LeftButton);
}
inline void clickCancel(TfrmNewTask& e) {
    QTest::mouseClick(e.btnCancel, Qt::LeftButton);
}
// Clicks a check box on its square.
inline void tick(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
}
// Replaces the text of a line box as a user does: select all, type.
inline void retype(QLineEdit* box, const QString& text) {
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    typeText(box, text);
}
