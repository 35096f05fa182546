#include "data/RoutsDat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include "core/Error.h"
#include "data/DataModule.h"
#include "data/OldRecords.h"

TOldFilePaths OldFilePaths;

void InitOldFilePaths(const QString& exePath) {
    const QString dir = QFileInfo(exePath).absolutePath() + u'/';
    OldFilePaths = {dir + QStringLiteral("Tasks.dat"), dir + QStringLiteral("Notes.dat"),
                    dir + QStringLiteral("Birth.dat")};
}

bool OldFilesExist() {
    return QFileInfo::exists(OldFilePaths.tasks) || QFileInfo::exists(OldFilePaths.notes) ||
           QFileInfo::exists(OldFilePaths.birth);
}

namespace {

// The whole content of a file, nothing when there is none.
std::optional<QByteArray> ReadOldFile(const QString& path) {
    if (!QFileInfo::exists(path)) return std::nullopt;
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly)) data = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        throw EQuillet(QStringLiteral("Не удалось прочитать файл «%1»:\n%2\n\n"
                                      "Данные предыдущей версии не перенесены; программа "
                                      "предложит перенести их при следующем запуске.")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    return data;
}

class TOldDataImport {
  public:
    TOldDataImport(TDM& dm, const ImportProgress& progress) : dm_(dm), progress_(progress) {}

    // Before any row is made: a file that fails must leave nothing behind.
    void ReadOldFiles() {
        tasksFile_ = ReadOldFile(OldFilePaths.tasks);
        notesFile_ = ReadOldFile(OldFilePaths.notes);
        birthFile_ = ReadOldFile(OldFilePaths.birth);
        total_ = int(tasksFile_.value_or(QByteArray()).size() / OldTaskRecSize) +
                 (notesFile_ ? 1 : 0) +
                 int(birthFile_.value_or(QByteArray()).size() / OldBirthRecSize);
    }

    void LoadOldTasks() {
        if (tasksFile_) tasks_ = ReadOldTasks(*tasksFile_);
    }

    void ImportOldTasks() {
        TMemTable& t = dm_.cdsTask;
        // Columns are found, and the numbers taken, before the first row is
        // made: a failure on the way leaves no half import to be sent later.
        TField id = t.FieldByName(QStringLiteral("ID"));
        TField user = t.FieldByName(QStringLiteral("USER_ID"));
        TField needAlert = t.FieldByName(QStringLiteral("NEEDALERT"));
        TField dateTime = t.FieldByName(QStringLiteral("DATETIME"));
        TField caption = t.FieldByName(QStringLiteral("CAPTION"));
        TField category = t.FieldByName(QStringLiteral("CATEGORY"));
        TField details = t.FieldByName(QStringLiteral("DETAILS"));
        TField executed = t.FieldByName(QStringLiteral("EXECUTED"));
        TField notified = t.FieldByName(QStringLiteral("NOTIFIED"));
        const std::vector<int> ids = dm_.NewTaskIds(int(tasks_.size()));
        // The table keeps its rows in order of their due moment: rows put in
        // in that order (file order among equal ones) each land at its end,
        // and the table ends as if they had come in file order.
        std::vector<size_t> order(tasks_.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return tasks_[a].dateTime < tasks_[b].dateTime;
        });
        for (size_t i : order) {
            const TOldTaskRec& r = tasks_[i];
            t.Append();
            id.SetInteger(ids[i]);
            user.SetInteger(CurrentUserId);
            needAlert.SetBoolean(r.needAlert);
            dateTime.SetDateTime(r.dateTime);
            caption.SetString(r.caption);
            category.SetString(r.category);
            details.SetString(r.details);
            executed.SetBoolean(r.executed);
            notified.SetBoolean(r.notified);
            t.Post();
            report(ImportStage::Tasks);
        }
        dm_.ApplyTable(t);
    }

    void ImportOldNotes() {
        if (!notesFile_) return;
        TMemTable& n = dm_.cdsNote;
        TField text = n.FieldByName(QStringLiteral("TEXT"));
        n.First();
        n.Edit();  // starts the row when there is none
        text.SetBytes(*notesFile_);
        n.Post();
        report(ImportStage::Notes);
        dm_.ApplyTable(n);
    }

    void LoadOldBirths() {
        if (birthFile_) births_ = ReadOldBirths(*birthFile_);
    }

    void ImportOldBirths() {
        TMemTable& t = dm_.cdsBirth;
        TField id = t.FieldByName(QStringLiteral("ID"));
        TField user = t.FieldByName(QStringLiteral("USER_ID"));
        TField caption = t.FieldByName(QStringLiteral("CAPTION"));
        TField date = t.FieldByName(QStringLiteral("DATE"));
        TField vid = t.FieldByName(QStringLiteral("VID"));
        TField category = t.FieldByName(QStringLiteral("CATEGORY"));
        TField comment = t.FieldByName(QStringLiteral("COMMENT"));
        TField notified = t.FieldByName(QStringLiteral("NOTIFIED"));
        const std::vector<int> ids = dm_.NewBirthIds(int(births_.size()));
        for (size_t i = 0; i < births_.size(); ++i) {
            const TOldBirthRec& r = births_[i];
            t.Append();
            id.SetInteger(ids[i]);
            user.SetInteger(CurrentUserId);
            caption.SetString(r.caption);
            date.SetDateTime(r.date);
            vid.SetInteger(r.vid);
            category.SetInteger(r.category);
            comment.SetString(r.comment);
            notified.SetBoolean(r.notified);
            t.Post();
            report(ImportStage::Events);
        }
        dm_.ApplyTable(t);
    }

  private:
    void report(ImportStage stage) {
        ++done_;
        if (progress_) progress_(stage, done_, total_);
    }

    TDM& dm_;
    const ImportProgress& progress_;
    std::optional<QByteArray> tasksFile_, notesFile_, birthFile_;
    std::vector<TOldTaskRec> tasks_;
    std::vector<TOldBirthRec> births_;
    int done_ = 0, total_ = 0;
};

}  // namespace

void ImportOldData(TDM& dm, const ImportProgress& progress) {
    TOldDataImport import(dm, progress);
    import.ReadOldFiles();
    import.LoadOldTasks();
    import.ImportOldTasks();
    import.ImportOldNotes();
    import.LoadOldBirths();
    import.ImportOldBirths();
}
