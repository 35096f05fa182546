// The program itself, as a process of its own, with a hand on it for the
// tests: each line read from its standard input is carried out on its
// windows the way a user would (keys and clicks in the task editor), and
// answered with one line on its standard output. Tests start it, cut the
// server off, send it signals or kill it, and then look at the database.
//
//   ready                  "ok" (the windows are up, the tables read)
//   new <caption>          a task without a reminder, typed in the editor
//   edit <id> <caption>    the task's title typed anew
//   state                  "unsent <0|1> away <0|1>"
//   messages               the texts of the message boxes so far, "|" between
//   notes <text>           the notes page opened and <text> typed at its end
//   unsent                 the status bar's line of unsent changes, in full
//   exit                   "Выход из программы"
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cstdio>

#include "app/Main.h"
#include "app/NotesEditor.h"
#include "app/RunFirst.h"
#include "data/DataModule.h"
#include "plan/NewTask.h"
#include "plan/TaskListModel.h"
#include "platform/Modal.h"

namespace {

QStringList messages;
QString typed;         // what the editor gets typed next
bool newTask = false;  // the editor is opened for a new task

void reply(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

bool answer(QWidget* window) {
    window->show();
    if (auto* box = qobject_cast<QMessageBox*>(window)) {
        messages << box->text().replace(u'\n', u' ');
        QAbstractButton* b = box->button(QMessageBox::Ok);
        if (!b) b = box->button(QMessageBox::Close);
        if (!b && !box->buttons().isEmpty()) b = box->buttons().first();
        if (b) QTest::mouseClick(b, Qt::LeftButton);
        return true;
    }
    if (window == frmNewTask) {
        TfrmNewTask& e = *frmNewTask;
        e.edCaption->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(e.edCaption, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e.edCaption, Qt::Key_Delete);
        for (QChar ch : typed)  // as a keyboard with a Russian layout sends it
            QTest::sendKeyEvent(QTest::Click, e.edCaption, Qt::Key(ch.toUpper().unicode()),
                                QString(ch), Qt::NoModifier);
        if (newTask && e.chbNeedAlert->isChecked())
            QTest::mouseClick(e.chbNeedAlert, Qt::LeftButton, Qt::NoModifier,
                              QPoint(8, e.chbNeedAlert->height() / 2));
        QTest::mouseClick(e.btnOk, Qt::LeftButton);
        return true;
    }
    return true;  // anything else (a reminder) closes as cancelled
}

bool selectTask(int id) {
    TaskListModel* rows = frmMain->TaskList;
    for (int r = 0; r < rows->rowCount(); ++r) {
        if (rows->IdAt(r) != id) continue;
        frmMain->ListView->selectionModel()->setCurrentIndex(
            rows->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    return false;
}

void run(const QString& line) {
    const QString command = line.section(u' ', 0, 0);
    if (command == QLatin1String("ready")) {
        reply(frmMain && DM && !frmMain->Loading() ? QStringLiteral("ok")
                                                   : QStringLiteral("not yet"));
    } else if (command == QLatin1String("new")) {
        typed = line.section(u' ', 1);
        newTask = true;
        frmMain->acTaskAdd->trigger();
        reply(QStringLiteral("ok"));
    } else if (command == QLatin1String("edit")) {
        typed = line.section(u' ', 2);
        newTask = false;
        if (!selectTask(line.section(u' ', 1, 1).toInt())) {
            reply(QStringLiteral("no such task"));
            return;
        }
        frmMain->acTaskEdit->trigger();
        reply(QStringLiteral("ok"));
    } else if (command == QLatin1String("state")) {
        reply(QStringLiteral("unsent %1 away %2")
                  .arg(int(DM->HasUnsentChanges()))
                  .arg(int(DM->ServerAway())));
    } else if (command == QLatin1String("messages")) {
        reply(messages.join(QStringLiteral(" | ")));
    } else if (command == QLatin1String("notes")) {
        frmMain->PageControl->setCurrentWidget(frmMain->tshNotes);
        TNotesEditor* e = frmMain->reNotes;
        e->setFocus(Qt::OtherFocusReason);
        e->moveCursor(QTextCursor::End);
        for (QChar ch : line.section(u' ', 1))
            QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        reply(QStringLiteral("ok"));
    } else if (command == QLatin1String("unsent")) {
        reply(frmMain->StatusUnsent->toolTip().replace(u'\n', u' '));
    } else if (command == QLatin1String("exit")) {
        frmMain->acShutDown->trigger();
    } else {
        reply(QStringLiteral("unknown"));
    }
}

void startDriver() {
    SetModalHook(answer);
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    QObject::connect(input, &QSocketNotifier::activated, [input] {
        static QByteArray pending;
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input->setEnabled(false);
            return;
        }
        pending.append(buf, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            try {
                run(line);
            } catch (const std::exception& e) {
                reply(QStringLiteral("error ") + QString::fromUtf8(e.what()));
            }
        }
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)

int main(int argc, char** argv) {
    return RunProgram(argc, argv);
}
