#include "data/RoutsDat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include <QCryptographicHash>
#include <QtEndian>

#include "core/Error.h"
#include "data/DataModule.h"
#include "data/OldRecords.h"
#include "data/OwnTables.h"

TOldFilePaths OldFilePaths;

void InitOldFilePaths(const QString& exePath) {
    const QString dir = QFileInfo(exePath).absolutePath() + u'/';
    OldFilePaths = {dir + QStringLiteral("Tasks.dat"), dir + QStringLiteral("Notes.dat"),
                    dir + QStringLiteral("Birth.dat")};
}

bool OldFilesExist() {
    // A folder or anything else under a file's name is no file.
    return QFileInfo(OldFilePaths.tasks).isFile() || QFileInfo(OldFilePaths.notes).isFile() ||
           QFileInfo(OldFilePaths.birth).isFile();
}

namespace {

// The whole content of a file, nothing when there is none.
std::optional<QByteArray> ReadOldFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return std::nullopt;
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

    // Leaves out the records an earlier import brought in already (its
    // keys confirmed, or their rows there); true when there were records
    // and all of them were.
    bool SkipImported(TOwnTables& own) {
        QSet<int> taskIds, eventIds;
        for (TMemTable* t : {&dm_.cdsTask, &dm_.cdsBirth}) {
            const int k = t->FieldIndex(QStringLiteral("ID"));
            for (int r = 0; k >= 0 && r < t->RecordCount(); ++r)
                (t == &dm_.cdsTask ? taskIds : eventIds).insert(int(t->Cell(r, k).toInt()));
        }
        const QSet<quint64> known = own.ImportedKeys(taskIds, eventIds);
        const size_t records = tasks_.size() + births_.size() + (notesFile_ ? 1 : 0);
        taskKeys_ =
            keep(tasks_, tasksFile_.value_or(QByteArray()), OldTaskRecSize, "Tasks.dat", known);
        eventKeys_ =
            keep(births_, birthFile_.value_or(QByteArray()), OldBirthRecSize, "Birth.dat", known);
        if (notesFile_) {
            notesKey_ = recordKey("Notes.dat", 0, *notesFile_);
            if (known.contains(notesKey_)) notesFile_.reset();
        }
        total_ = int(tasks_.size() + births_.size()) + (notesFile_ ? 1 : 0);
        return records > 0 && total_ == 0;
    }

    // Numbers for the new rows, remembered with the records' keys before
    // any row is made; the token that confirms them.
    qint64 Remember(TOwnTables& own) {
        taskIds_ = dm_.NewTaskIds(int(tasks_.size()));
        eventIds_ = dm_.NewBirthIds(int(births_.size()));
        // A number of the program's own changes when its row is sent: the
        // keys could not name their rows.
        for (const std::vector<int>* ids : {&taskIds_, &eventIds_})
            for (int id : *ids)
                if (id <= 0)
                    throw EQuillet(QStringLiteral(
                        "Нет связи с сервером базы данных: данные предыдущей версии не "
                        "перенесены. Программа предложит перенести их при следующем запуске."));
        std::vector<quint64> keys = taskKeys_;
        std::vector<int> taskIds = taskIds_;
        if (notesFile_) {  // the notes page has no number of its own
            keys.push_back(notesKey_);
            taskIds.push_back(0);
        }
        keys.insert(keys.end(), eventKeys_.begin(), eventKeys_.end());
        return own.RememberImported(keys, taskIds, eventIds_);
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
        const std::vector<int>& ids = taskIds_;
        // The rows are made in file order and go into the table together,
        // each where appending it alone would have put it.
        NewRows rows(t, tasks_.size());
        for (size_t i = 0; i < tasks_.size(); ++i) {
            const TOldTaskRec& r = tasks_[i];
            rows[id].push_back(Value::FromInt(ids[i]));
            rows[user].push_back(Value::FromInt(CurrentUserId));
            rows[needAlert].push_back(flag(r.needAlert));
            rows[dateTime].push_back(Value::FromFloat(r.dateTime));
            rows[caption].push_back(Value::FromText(r.caption));
            rows[category].push_back(Value::FromText(r.category));
            rows[details].push_back(Value::FromText(r.details));
            rows[executed].push_back(flag(r.executed));
            rows[notified].push_back(flag(r.notified));
            report(ImportStage::Tasks);
        }
        t.AppendColumns(std::move(rows.columns));
        // Made again by an import run anew should this send be cut short.
        dm_.ApplyRemakeable(t);
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
        const std::vector<int>& ids = eventIds_;
        NewRows rows(t, births_.size());
        for (size_t i = 0; i < births_.size(); ++i) {
            const TOldBirthRec& r = births_[i];
            rows[id].push_back(Value::FromInt(ids[i]));
            rows[user].push_back(Value::FromInt(CurrentUserId));
            rows[caption].push_back(Value::FromText(r.caption));
            rows[date].push_back(Value::FromFloat(r.date));
            rows[vid].push_back(Value::FromInt(r.vid));
            rows[category].push_back(Value::FromInt(r.category));
            rows[comment].push_back(Value::FromText(r.comment));
            rows[notified].push_back(flag(r.notified));
            report(ImportStage::Events);
        }
        t.AppendColumns(std::move(rows.columns));
        // Made again by an import run anew should this send be cut short.
        dm_.ApplyRemakeable(t);
    }

  private:
    // New rows of a table by column, with room for `count` of them.
    struct NewRows {
        NewRows(const TMemTable& t, size_t count) : columns(t.Fields().size()) {
            for (auto& c : columns)
                c.reserve(count);
        }
        std::vector<Value>& operator[](size_t c) { return columns[c]; }
        std::vector<std::vector<Value>> columns;
    };

    // The column's place; an EQuillet when the table lacks it.
    static size_t column(TMemTable& t, const char* name) {
        return size_t(t.FieldByName(QLatin1String(name)).index());
    }
    static Value flag(bool v) { return Value::FromText(FlagText(v)); }

    // A record's key: its file, its place in it and its bytes.
    static quint64 recordKey(const char* file, int index, QByteArrayView bytes) {
        // One hash object for all records: making one costs more than a record's hash.
        thread_local QCryptographicHash h(QCryptographicHash::Sha1);
        h.reset();
        h.addData("quillet-previous-version/");
        h.addData(QByteArrayView(file));
        char at[4];
        qToLittleEndian<qint32>(index, at);
        h.addData(QByteArrayView(at, 4));
        h.addData(bytes);
        return qFromLittleEndian<quint64>(h.resultView().constData());
    }
    // The records not among `known`, and their keys.
    template <typename Rec>
    static std::vector<quint64> keep(std::vector<Rec>& records, const QByteArray& file,
                                     qsizetype size, const char* name, const QSet<quint64>& known) {
        std::vector<Rec> left;
        std::vector<quint64> keys;
        for (size_t i = 0; i < records.size(); ++i) {
            const quint64 key =
                recordKey(name, int(i), QByteArrayView(file).sliced(qsizetype(i) * size, size));
            if (known.contains(key)) continue;
            left.push_back(std::move(records[i]));
            keys.push_back(key);
        }
        records = std::move(left);
        return keys;
    }

    void report(ImportStage stage) {
        ++done_;
        if (progress_) progress_(stage, done_, total_);
    }

    TDM& dm_;
    const ImportProgress& progress_;
    std::optional<QByteArray> tasksFile_, notesFile_, birthFile_;
    std::vector<TOldTaskRec> tasks_;
    std::vector<TOldBirthRec> births_;
    std::vector<quint64> taskKeys_, eventKeys_;
    quint64 notesKey_ = 0;
    std::vector<int> taskIds_, eventIds_;
    int done_ = 0, total_ = 0;
};

}  // namespace

void ImportOldData(TDM& dm, const ImportProgress& progress) {
    TOldDataImport import(dm, progress);
    TOwnTables own(dm.xConnection);
    import.ReadOldFiles();
    import.LoadOldTasks();
    import.LoadOldBirths();
    import.SkipImported(own);
    const qint64 token = import.Remember(own);
    import.ImportOldTasks();
    import.ImportOldNotes();
    import.ImportOldBirths();
    // The rows are stored or journalled now. Should the confirmation fail,
    // the keys still count for as long as their rows are there.
    if (!dm.HasUnsentChanges() || dm.JournalProblem().isEmpty()) {
        try {
            own.ConfirmImported(token);
        } catch (const EQuillet&) {
        }
    }
}

bool OldDataImported(TDM& dm) {
    try {
        TOldDataImport import(dm, {});
        TOwnTables own(dm.xConnection);
        import.ReadOldFiles();
        import.LoadOldTasks();
        import.LoadOldBirths();
        return import.SkipImported(own);
    } catch (const EQuillet&) {
        return false;
    }
}
