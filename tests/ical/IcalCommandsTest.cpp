// The two commands with the whole program behind them: the export to the
// file the user names, the import with its preview and summary, once only,
// and a broken file told with its line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include <QTabWidget>

#include "app/Main.h"
#include "calendar/CalendarPage.h"
#include "core/DateTime.h"
#include "data/DataModule.h"
#include "ical/IcalCommands.h"
#include "ical/IcalPreview.h"
#include "ical/IcalReader.h"
#include "plan/TaskListModel.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class IcalCommandsTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        frmMain->TimerNotify->stop();
        frmMain->Ical->StartFolder = db.dir();
    }
    // The file dialog's answer: `path` chosen.
    static ModalAnswers::Action choose(const QString& path, QString* offered = nullptr) {
        return [=](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            ASSERT_TRUE(d);
            if (offered) *offered = d->selectedFiles().value(0);
            // The path typed into the name box, then accepted (without the
            // dialog's own look at the disk).
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(name);
            name->setText(path);
            d->QDialog::accept();
        };
    }
    static QString sample(const char* name) {
        return QStringLiteral(QUILLET_SOURCE_DIR "/tests/") + QLatin1String(name);
    }
    int count(const char* table) {
        return SqlValue(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)))
            .toInt();
    }
};

}  // namespace

TEST_F(IcalCommandsTest, ExportWritesTheNamedFileForItsOwnerAlone) {
    EndProgramRun();
    AddStoredTask(QStringLiteral("Позвонить"), EncodeDateTime(2026, 12, 9, 10, 0, 0, 0));
    AddStoredTask(QStringLiteral("Без даты"), 0, false);
    Sql("INSERT INTO BIRTH VALUES (1, 1, 'Лена', '1985-01-20', 1, 1, '', 'T')");
    StartProgram();
    frmMain->TimerNotify->stop();
    frmMain->Ical->StartFolder = db.dir();
    const QString path = db.dir() + "/мой календарь.ics";
    QString offered;
    {
        ModalAnswers user;
        user.Then(choose(path, &offered)).Press(QMessageBox::Ok);
        frmMain->acIcalExport->trigger();
        ASSERT_EQ(user.Windows().size(), 2u);
        EXPECT_EQ(user.Windows()[0].title, "Экспорт в iCalendar");
        EXPECT_EQ(user.Windows()[1].text,
                  "Экспортировано: 2 задания, 1 событие.\nФайл: «" + path + "».");
    }
    EXPECT_EQ(offered, db.dir() + "/quillet.ics");
    struct stat st {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const FileItems items = ReadICalendar(ReadFile(path));
    EXPECT_EQ(items.tasks.size(), 2u);
    ASSERT_EQ(items.events.size(), 1u);
    EXPECT_EQ(items.events[0].caption, "Лена");

    // A name that a folder has taken: told, nothing written.
    QDir(db.dir()).mkdir("папка.ics");
    ModalAnswers again;
    again.Then(choose(db.dir() + "/папка.ics")).Press(QMessageBox::Ok);
    frmMain->acIcalExport->trigger();
    ASSERT_EQ(again.Windows().size(), 2u);
    EXPECT_TRUE(again.Windows()[1].text.startsWith("Календарь не экспортирован."));
    EXPECT_EQ(again.Windows()[1].icon, QMessageBox::Warning);
}

TEST_F(IcalCommandsTest, ImportShowsWhatItAddsAndAddsItOnce) {
    frmMain->ShowAtStart(false);
    frmMain->PageControl->setCurrentWidget(frmMain->tshBirth);
    Pump();
    const int paints = frmMain->Calendar->FullPaints();
    QString summary;
    int rows = 0;
    {
        ModalAnswers user;
        user.Then(choose(sample("ical/samples/thunderbird.ics")))
            .Then([&](QWidget* w) {
                auto* preview = qobject_cast<TfrmIcalPreview*>(w);
                ASSERT_TRUE(preview);
                summary = preview->lbSummary->text();
                rows = preview->ListView->model()->rowCount();
                ClickButton(w, "Добавить");
            })
            .Press(QMessageBox::Ok);
        frmMain->acIcalImport->trigger();
        ASSERT_EQ(user.Windows().size(), 3u);
        EXPECT_EQ(user.Windows()[2].text, "Добавлено: 3 задания, 1 событие.");
    }
    EXPECT_TRUE(summary.endsWith("\nБудет добавлено: 3 задания, 1 событие."))
        << summary.toStdString();
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(count("TASK"), 3);
    EXPECT_EQ(count("BIRTH"), 1);
    EXPECT_EQ(frmMain->TaskList->rowCount(), 3) << "the task list shows them";
    Pump();
    EXPECT_GT(frmMain->Calendar->FullPaints(), paints) << "the calendar is drawn anew";

    // The same file once more: nothing to add, no preview.
    ModalAnswers again;
    again.Then(choose(sample("ical/samples/thunderbird.ics"))).Press(QMessageBox::Ok);
    frmMain->acIcalImport->trigger();
    ASSERT_EQ(again.Windows().size(), 2u);
    EXPECT_EQ(again.Windows()[1].text, "Добавлено: 0 заданий, 0 событий; пропущено: 4 — уже есть.");
    EXPECT_EQ(count("TASK"), 3);
}

TEST_F(IcalCommandsTest, ACancelledPreviewOrABrokenFileChangesNothing) {
    {
        ModalAnswers user;
        user.Then(choose(sample("vcard/samples/iphone-3.0.vcf"))).Then([](QWidget* w) {
            ClickButton(w, "Отмена");
        });
        frmMain->acIcalImport->trigger();
    }
    EXPECT_EQ(count("BIRTH"), 0);
    EXPECT_FALSE(DM->HasUnsentChanges());

    const QString broken = db.dir() + "/broken.vcf";
    WriteFile(broken, "BEGIN:VCARD\r\nBDAY:1975-13-01\r\nEND:VCARD\r\n");
    ModalAnswers told;
    told.Then(choose(broken)).Press(QMessageBox::Ok);
    frmMain->acIcalImport->trigger();
    ASSERT_EQ(told.Windows().size(), 2u);
    EXPECT_EQ(told.Windows()[1].text,
              "Файл «broken.vcf» не импортирован.\n\nСтрока 2: такого дня нет: «1975-13-01».");
    EXPECT_EQ(told.Windows()[1].icon, QMessageBox::Warning);
    EXPECT_EQ(count("BIRTH"), 0);
}
