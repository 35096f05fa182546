// The offer at start to bring in the previous version's files, through the
// whole program against the real server: the question, the answers, the
// flag in the settings file, a start after the import, the progress window.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTest>
#include <optional>

#include "app/ImportCheck.h"
#include "app/Main.h"
#include "core/DateTime.h"
#include "data/DataModule.h"
#include "platform/ProfileFile.h"
#include "settings/Settings.h"
#include "tests/import/OldFileBytes.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"

namespace {

const char* const Question =
    "Обнаружены файлы, содержащие данные из предыдущей версии.\n\nПроизвести экспорт этих данных?";

class ImportCheckTest : public ProgramTest {
  protected:
    void SetUp() override {}  // each test starts the program itself

    void write(const char* name, const QByteArray& bytes) {
        WriteFile(db.dir() + '/' + name, bytes);
    }
    void writeAll() {
        tasks = OldTask(EncodeDateTime(2011, 1, 2, 3, 4, 0, 0), 1, "Старое") +
                OldTask(12345.5, 0, "Без даты") + QByteArray(24, '\0');
        notes = "{\\rtf1 old}";
        births = OldBirth(EncodeDate(1960, 7, 1), "Папа", 1);
        write("Tasks.dat", tasks);
        write("Notes.dat", notes);
        write("Birth.dat", births);
    }
    // Starts the program answering its question, if any, with `answer`.
    void start(std::optional<QMessageBox::StandardButton> answer) {
        ModalAnswers answers;
        if (answer) answers.Press(*answer);
        StartProgram();
        if (answer) {
            ASSERT_EQ(answers.Windows().size(), 1u);
            EXPECT_EQ(answers.Windows()[0].title, "Quillet");
            EXPECT_EQ(answers.Windows()[0].text, Question);
            EXPECT_EQ(answers.Windows()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        }
    }
    void restart(std::optional<QMessageBox::StandardButton> answer) {
        EndProgramRun();
        start(answer);
    }
    int stored(const char* table) {
        return SqlValue(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt();
    }
    bool exportMadeInFile() {
        return ProfileFile::ReadBool(SettingsFilePath(), "Export", "ExportMade", false);
    }
    bool filesUnchanged() {
        return ReadFile(db.dir() + "/Tasks.dat") == tasks &&
               ReadFile(db.dir() + "/Notes.dat") == notes &&
               ReadFile(db.dir() + "/Birth.dat") == births;
    }
    QByteArray tasks, notes, births;
};

}  // namespace

TEST_F(ImportCheckTest, YesImportsOnceAndNoLaterStartAsks) {
    writeAll();
    start(QMessageBox::Yes);
    EXPECT_EQ(DM->cdsTask.RecordCount(), 2);
    EXPECT_EQ(DM->cdsBirth.RecordCount(), 1);
    EXPECT_EQ(stored("TASK"), 2);
    EXPECT_EQ(stored("BIRTH"), 1);
    EXPECT_EQ(SqlValue("SELECT TEXT FROM NOTE"), "{\\rtf1 old}");
    EXPECT_TRUE(ExportMade);
    EXPECT_TRUE(exportMadeInFile()) << "written at once";
    EXPECT_TRUE(frmMain->TimerNotify->isActive()) << "the reminder timer runs again";

    restart(std::nullopt);  // no question with the files still there
    EXPECT_EQ(stored("TASK"), 2);
    EXPECT_EQ(DM->cdsTask.RecordCount(), 2);
    EXPECT_TRUE(filesUnchanged());
}

TEST_F(ImportCheckTest, NoImportsNothingAndTheQuestionComesAgain) {
    writeAll();
    start(QMessageBox::No);
    EXPECT_EQ(stored("TASK") + stored("BIRTH") + stored("NOTE"), 0);
    EXPECT_FALSE(exportMadeInFile());
    restart(QMessageBox::No);
    EXPECT_TRUE(filesUnchanged());
}

TEST_F(ImportCheckTest, AFolderNamedAsADataFileCountsAsMissing) {
    writeAll();
    const QString birth = db.dir() + "/Birth.dat";
    QFile::remove(birth);
    ASSERT_TRUE(QDir().mkdir(birth));
    start(QMessageBox::Yes);  // and nothing else is shown
    EXPECT_EQ(stored("TASK"), 2) << "the files that are there come in";
    EXPECT_EQ(stored("NOTE"), 1);
    EXPECT_EQ(stored("BIRTH"), 0);
    EXPECT_TRUE(exportMadeInFile());
    restart(std::nullopt);
    QDir().rmdir(birth);
}

TEST_F(ImportCheckTest, ASettingsFileThatTakesNothingNeverBringsTheDataInTwice) {
    writeAll();
    const QString ini = db.dir() + "/quillet.ini";
    WriteFile(ini, "[Export]\r\nExportMade=0\r\n");
    // Another user's file: the program never writes it.
    ASSERT_EQ(::chown(QFile::encodeName(ini).constData(), 65534, 65534), 0);
    {
        ModalAnswers answers;
        answers.Press(QMessageBox::Yes).Press(QMessageBox::Ok);
        StartProgram();
        ASSERT_EQ(answers.Windows().size(), 2u);
        EXPECT_EQ(answers.Windows()[1].text, ExportMadeNotWritten(SettingsFilePath()));
    }
    EXPECT_FALSE(exportMadeInFile());
    restart(std::nullopt);  // not asked again
    EXPECT_EQ(stored("TASK"), 2);
    EXPECT_EQ(stored("BIRTH"), 1);
    EXPECT_EQ(stored("NOTE"), 1);
}

TEST(ImportProgressTest, ShowsOnlyForALongImport) {
    {
        TImportProgress quick;
        for (int i = 1; i <= 500; ++i)
            quick.Step(ImportStage::Tasks, i, 500);
        EXPECT_FALSE(quick.Dialog()->isVisible());
    }
    TImportProgress slow;
    slow.Step(ImportStage::Tasks, 1, 1000);
    QTest::qWait(120);
    slow.Step(ImportStage::Events, 20, 1000);
    ASSERT_TRUE(slow.Dialog()->isVisible()) << "20 rows in 120 ms: the rest takes seconds";
    EXPECT_EQ(slow.Dialog()->labelText(), "Перенос событий календаря...");
    EXPECT_EQ(slow.Dialog()->value(), 20);
    EXPECT_EQ(slow.Dialog()->windowTitle(), "Quillet");
}
