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
        const size_t id = column(t, "ID"), user = column(t, "USER_ID"),
                     needAlert = column(t, "NEEDALERT"), dateTime = column(t, "DATETIME"),
                     caption = column(t, "CAPTION"), category = column(t, "CATEGORY"),
                     details = column(t, "DETAILS"), executed = column(t, "EXECUTED"),
                     notified = column(t, "NOTIFIED");
        const std::vector<int> ids = dm_.NewTaskIds(int(tasks_.size()));
        // The rows are made in file order and go into the table together,
        // each where appending it alone would have put it.
        std::vector<std::vector<Value>> rows;
        rows.reserve(tasks_.size());
        for (size_t i = 0; i < tasks_.size(); ++i) {
            const TOldTaskRec& r = tasks_[i];
            std::vector<Value> row(t.Fields().size());
            row[id] = Value::FromInt(ids[i]);
            row[user] = Value::FromInt(CurrentUserId);
            row[needAlert] = flag(r.needAlert);
            row[dateTime] = Value::FromFloat(r.dateTime);
            row[caption] = Value::FromText(r.caption);
            row[category] = Value::FromText(r.category);
            row[details] = Value::FromText(r.details);
            row[executed] = flag(r.executed);
            row[notified] = flag(r.notified);
            rows.push_back(std::move(row));
            report(ImportStage::Tasks);
        }
        t.AppendRows(std::move(rows));
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
        const size_t id = column(t, "ID"), user = column(t, "USER_ID"),
                     caption = column(t, "CAPTION"), date = column(t, "DATE"),
                     vid = column(t, "VID"), category = column(t, "CATEGORY"),
                     comment = column(t, "COMMENT"), notified = column(t, "NOTIFIED");
        const std::vector<int> ids = dm_.NewBirthIds(int(births_.size()));
        std::vector<std::vector<Value>> rows;
        rows.reserve(births_.size());
        for (size_t i = 0; i < births_.size(); ++i) {
            const TOldBirthRec& r = births_[i];
            std::vector<Value> row(t.Fields().size());
            row[id] = Value::FromInt(ids[i]);
            row[user] = Value::FromInt(CurrentUserId);
            row[caption] = Value::FromText(r.caption);
            row[date] = Value::FromFloat(r.date);
            row[vid] = Value::FromInt(r.vid);
            row[category] = Value::FromInt(r.category);
            row[comment] = Value::FromText(r.comment);
            row[notified] = flag(r.notified);
            rows.push_back(std::move(row));
            report(ImportStage::Events);
        }
        t.AppendRows(std::move(rows));
        dm_.ApplyTable(t);
    }

  private:
    // The column's place; an EQuillet when the table lacks it.
    static size_t column(TMemTable& t, const char* name) {
        return size_t(t.FieldByName(QLatin1String(name)).index());
    }
    static Value flag(bool v) { return Value::FromText(FlagText(v)); }

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
