#include "data/DataModule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <limits>

#include "core/Error.h"
#include "core/ExePath.h"
#include "core/Log.h"
#include "core/ProgressPacer.h"
#include "data/ChangeSender.h"
#include "data/JournalReplay.h"
#include "data/ServerProbe.h"

TDM* DM = nullptr;

namespace {

FbConnection::Params connectionParams(const QString& exeDir, int connectTimeoutSec) {
    FbConnection::Params p;
    p.address = QStringLiteral("127.0.0.1/3053:") + exeDir + QStringLiteral("qlbase.fdb");
    p.user = QStringLiteral("sysdba");
    p.password = QStringLiteral("plumcrest");
    p.charset = QStringLiteral("WIN1251");
    p.dialect = 3;
    p.connectTimeoutSec = connectTimeoutSec;
    return p;
}

// The procedure that numbers the rows of a table.
QString idProcedure(const QString& table) {
    if (table == QLatin1String("TASK")) return QStringLiteral("GET_TASK_ID");
    if (table == QLatin1String("BIRTH")) return QStringLiteral("GET_BIRTH_ID");
    return {};
}

}  // namespace

TDM::TDM() {
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, [this] {
        // A timer handler: nothing may escape into the event loop.
        try {
            SendAll(false);
        } catch (...) {
            WriteLog(QStringLiteral("Sending pending changes failed: ") + CurrentErrorText());
        }
    });
}

TDM::~TDM() {
    if (loading_.valid()) loading_.wait();  // a start begun and never finished
    Close();
    probe_.reset();
}

QString TDM::DatabaseAddress() {
    return connectionParams(ExeDir(), 0).address;
}

void TDM::Connect() {
    Connect(ExeDir());
}

void TDM::Connect(const QString& exeDir) {
    OpenJournal(exeDir);
    xConnection.Attach(connectionParams(exeDir, ConnectTimeoutSec));
    xConnection.SetOperationTimeout(CallTimeoutMs);
    connected_ = true;
    away_ = false;
}

void TDM::OpenJournal(const QString& exeDir) {
    const QString database = exeDir + QStringLiteral("qlbase.fdb");
    places_ = {TJournal(JournalPathFor(database), database),
               TJournal(StateJournalPathFor(database), database)};
    journal_ = TJournal();
    journalError_.clear();
    QStringList problems;
    for (const TJournal& place : places_) {
        const QString folder = QFileInfo(place.Path()).path();
        if (&place != &places_.front() && QDir().mkpath(folder))
            QFile::setPermissions(
                folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QString why;
        switch (journalLock_.Hold(place.Path() + QStringLiteral(".lock"), &why)) {
            case FileLock::Result::Held:
                journal_ = place;
                return;
            case FileLock::Result::Busy:
                throw EDatabaseInUse(DatabaseInUseMessage(database));
            case FileLock::Result::Failed:
                problems << QStringLiteral("«%1»: %2").arg(folder, why);
                break;
        }
    }
    journalError_ =
        QStringLiteral("журнал негде вести: %1").arg(problems.join(QStringLiteral("; ")));
}

QString TDM::DatabaseInUseMessage(const QString& database) {
    return QStringLiteral(
               "С базой данных «%1» уже работает другая копия программы.\n\n"
               "Две копии не могут вести один журнал несохранённых изменений: "
               "эта копия не запускается.")
        .arg(database);
}

void TDM::OpenTables() {
    auto tr = xConnection.Begin(true);
    const std::vector<Value> user{Value::FromInt(CurrentUserId)};
    for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote}) {
        ColumnResult r = xConnection.QueryColumns(
            *tr, QStringLiteral("SELECT *\nFROM %1\nWHERE USER_ID=?").arg(t->TableName()), user);
        t->LoadColumns(std::move(r.fields), std::move(r.columns));
    }
    tr->Commit();
    // A notes table without its own key is keyed by its owner.
    if (cdsNote.FieldIndex(QStringLiteral("ID")) < 0)
        cdsNote.SetKeyField(QStringLiteral("USER_ID"));
}

void TDM::BeginStart() {
    // Where the files are is read here: the thread reads no settings.
    const QString exeDir = ExeDir();
    loading_ = std::async(std::launch::async, [this, exeDir]() -> std::exception_ptr {
        Connect(exeDir);  // a failure here is the connection's: the future carries it
        try {
            OpenTables();
            MoveSequencesPastTakenNumbers();
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    });
}

bool TDM::StartLoaded() const {
    return !loading_.valid() ||
           loading_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void TDM::DataModuleCreate(const StartSteps& steps) {
    const bool begun = loading_.valid();
    std::exception_ptr loadError;
    try {
        if (begun)
            loadError = loading_.get();
        else
            Connect();
    } catch (const EDatabaseInUse& e) {
        connected_ = false;
        if (steps.databaseInUse)
            steps.databaseInUse(e.message());
        else if (steps.connectFailed)
            steps.connectFailed(e.message());
        return;
    } catch (const EQuillet& e) {
        connected_ = false;
        if (steps.connectFailed)
            steps.connectFailed(QStringLiteral("Не удалось подключиться к базе данных.\n\n") +
                                e.message());
        return;
    }
    if (loadError) std::rethrow_exception(loadError);
    if (!begun) {
        OpenTables();
        MoveSequencesPastTakenNumbers();
    }
    ReplayJournal();
    if (steps.tablesReady) steps.tablesReady();
    if (steps.loadSettings) steps.loadSettings();
    if (steps.startReminderTimer) steps.startReminderTimer();
    if (steps.newYearCheck) steps.newYearCheck();
    if (steps.importCheck) steps.importCheck();
}

// Rows written by other tools, or a backup restored over a newer sequence,
// may hold numbers the sequences have not passed yet: they are moved past
// the largest number in use, so that new rows never meet an old one.
void TDM::MoveSequencesPastTakenNumbers() {
    // Looked at in one transaction that writes nothing: a start where all
    // is in order commits nothing the server must force to disk.
    std::vector<std::pair<QString, qint64>> moves;
    try {
        auto tr = xConnection.Begin(true);
        for (const char* table : {"TASK", "BIRTH"}) {
            const QString seq = QStringLiteral("SEQ_%1_ID").arg(QLatin1String(table));
            try {
                const QueryResult gap = xConnection.Query(
                    *tr, QStringLiteral("SELECT COALESCE(MAX(ID), 0) - GEN_ID(%1, 0) FROM %2")
                             .arg(seq, QLatin1String(table)));
                if (!gap.rows.empty() && gap.rows[0][0].toInt() > 0)
                    moves.emplace_back(seq, gap.rows[0][0].toInt());
            } catch (const EQuillet&) {
                // A database numbered some other way: its procedures skip
                // taken numbers themselves, and NewTaskId checks the loaded rows.
            }
        }
        tr->Commit();
        for (const auto& [seq, gap] : moves) {
            auto move = xConnection.Begin();
            xConnection.Query(
                *move, QStringLiteral("SELECT GEN_ID(%1, %2) FROM RDB$DATABASE").arg(seq).arg(gap));
            move->Commit();
        }
    } catch (const EQuillet&) {
        // As above: the numbers are checked again when rows are made.
    }
}

void TDM::ReplayJournal() {
    std::vector<JournalRow> rows;
    std::vector<TJournal> others;  // read from the place not in use
    for (const TJournal& place : places_) {
        JournalContents c = place.Read();
        if (c.rows.empty() && !c.damaged) continue;
        if (c.damaged)
            TellJournalSetAside(place, c);
        else if (place.Path() != journal_.Path())
            others.push_back(place);
        std::move(c.rows.begin(), c.rows.end(), std::back_inserter(rows));
    }
    if (journal_.Path().isEmpty() && onSendFailed)
        onSendFailed(QStringLiteral("Журнал несохранённых изменений вести негде (%1). "
                                    "Изменения, которые база данных не примет сразу, "
                                    "пропадут при выходе из программы.")
                         .arg(journalError_));
    if (rows.empty()) return;
    // Numbers of the program's own go on below those the journal brought.
    for (const JournalRow& r : rows)
        if (IsProvisionalKey(r.key))
            nextProvisional_ = std::min(nextProvisional_, int(r.key.toInt()) - 1);
    for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote}) {
        std::vector<const JournalRow*> mine;
        for (const JournalRow& r : rows)
            if (t->TableName().compare(r.table, Qt::CaseInsensitive) == 0) mine.push_back(&r);
        ApplyJournalRows(*t, mine, [this] { return Value::FromInt(ProvisionalId()); });
    }
    journalCurrent_ = false;
    SendAll(true);
    // What the other place held is sent now, or kept in the journal in use.
    if (!HasUnsentChanges() || (journalCurrent_ && journalError_.isEmpty()))
        for (const TJournal& other : others)
            QFile::remove(other.Path());
}

void TDM::TellJournalSetAside(const TJournal& journal, const JournalContents& c) {
    const QString aside = journal.SetAside();
    if (!onSendFailed) return;
    if (c.refused)
        onSendFailed(QStringLiteral("Журнал несохранённых изменений не прочитан: %1.\n\n"
                                    "Изменения из него не отправлены; файл журнала, как он был, "
                                    "оставлен на диске: «%2».")
                         .arg(c.problem, aside));
    else
        onSendFailed(QStringLiteral("Журнал несохранённых изменений повреждён: %1.\n\n"
                                    "Прочитанные изменения (%2) переданы в базу данных или "
                                    "снова сохранены в журнале; файл журнала, как он был, "
                                    "оставлен на диске: «%3».")
                         .arg(c.problem)
                         .arg(c.rows.size())
                         .arg(aside));
}

void TDM::EnsureAttached() {
    if (!connected_) throw EQuillet(QStringLiteral("Нет подключения к базе данных"));
    if (!xConnection.IsAttached())
        xConnection.Attach(connectionParams(ExeDir(), ConnectTimeoutSec));
}

SendTrouble TDM::Classify(const EQuillet& e) {
    return ChangeSender::Classify(xConnection, e);
}

void TDM::LoseServer() {
    xConnection.Detach();
    away_ = true;
    retryTimer_.stop();
    if (!probe_)
        probe_ = std::make_unique<ServerProbe>(connectionParams(ExeDir(), ProbeTimeoutSec), [this] {
            QMetaObject::invokeMethod(
                this, [this] { ServerAnswers(); }, Qt::QueuedConnection);
        });
    probe_->Start();
}

void TDM::ServerAnswers() {
    if (!connected_ || !away_) return;
    away_ = false;
    try {
        SendAll(true);
    } catch (...) {
        WriteLog(QStringLiteral("Sending after the server came back failed: ") +
                 CurrentErrorText());
    }
}

int TDM::ProvisionalId() {
    // Below every number of the program's own that the tables hold (those
    // the journal brought are counted at the start).
    return nextProvisional_--;
}

std::vector<int> TDM::ServerIds(const TMemTable& table, const QString& procedure, int count) {
    QSet<qint64> taken;
    const int k = table.FieldIndex(table.KeyFieldName());
    for (int r = 0; k >= 0 && r < table.RecordCount(); ++r)
        if (!table.Cell(r, k).isNull()) taken.insert(table.Cell(r, k).toInt());
    std::vector<int> ids;
    ids.reserve(size_t(count));
    auto take = [&](const Value& id) {
        if (id.isNull() || taken.contains(id.toInt())) return;
        taken.insert(id.toInt());
        ids.push_back(int(id.toInt()));
    };
    // Numbers write no row: a read-only transaction, which ends at once.
    auto tr = xConnection.Begin(true);
    // The many-numbers forms, where the database has them: runs of numbers,
    // else a row per number.
    auto many = [&](const QString& sql, auto takeRow) {
        try {
            const QueryResult r = xConnection.Query(*tr, sql, {Value::FromInt(count)});
            for (const auto& row : r.rows)
                takeRow(row);
            return true;
        } catch (const EQuillet& e) {
            if (Classify(e) == SendTrouble::Unreachable) throw;
            return false;
        }
    };
    if (count > 1 &&
        !many(QStringLiteral("SELECT FIRST_ID, ID_COUNT FROM %1_RANGES(?)").arg(procedure),
              [&](const std::vector<Value>& row) {
                  if (row.size() < 2 || row[0].isNull() || row[1].isNull()) return;
                  const qint64 last = std::min<qint64>(row[0].toInt() + row[1].toInt() - 1,
                                                       std::numeric_limits<int>::max());
                  for (qint64 id = row[0].toInt(); id <= last && int(ids.size()) < count; ++id)
                      take(Value::FromInt(id));
              }))
        many(QStringLiteral("SELECT ID FROM %1S(?)").arg(procedure),
             [&](const std::vector<Value>& row) {
                 if (!row.empty()) take(row[0]);
             });
    if (int(ids.size()) < count) {
        auto single = xConnection.Prepare(*tr, QStringLiteral("EXECUTE PROCEDURE ") + procedure);
        for (int guard = 0; int(ids.size()) < count && guard < count + 1000; ++guard) {
            std::vector<Value> out;
            single->Execute({}, &out);
            if (!out.empty()) take(out[0]);
        }
    }
    tr->Commit();
    if (int(ids.size()) < count)
        throw EQuillet(QStringLiteral("%1 не вернула номер").arg(procedure));
    return ids;
}

std::vector<int> TDM::NewIds(TMemTable& table, const char* procedure, int count) {
    if (!connected_) throw EQuillet(QStringLiteral("Нет подключения к базе данных"));
    std::vector<int> ids;
    if (!away_) {
        try {
            EnsureAttached();
            ids = ServerIds(table, QLatin1String(procedure), count);
        } catch (const EQuillet& e) {
            lastFailure_ = e.message();  // what the user is told when the row is not sent
            if (Classify(e) == SendTrouble::Unreachable) LoseServer();
            ids.clear();  // numbers fetched so far are simply not used
        }
    }
    while (int(ids.size()) < count)
        ids.push_back(ProvisionalId());
    return ids;
}

int TDM::NewTaskId() {
    return NewIds(cdsTask, "GET_TASK_ID", 1).front();
}
int TDM::NewBirthId() {
    return NewIds(cdsBirth, "GET_BIRTH_ID", 1).front();
}
std::vector<int> TDM::NewTaskIds(int count) {
    return count > 0 ? NewIds(cdsTask, "GET_TASK_ID", count) : std::vector<int>{};
}
std::vector<int> TDM::NewBirthIds(int count) {
    return count > 0 ? NewIds(cdsBirth, "GET_BIRTH_ID", count) : std::vector<int>{};
}

SendTrouble TDM::SendChanges(TMemTable& t, QString& failure) {
    ChangeSender::Callbacks callbacks;
    const QString procedure = idProcedure(t.TableName());
    if (!procedure.isEmpty())
        callbacks.numbers = [this, &t, procedure](int count) {
            return ServerIds(t, procedure, count);
        };
    callbacks.keysChanged = [this] { WriteJournal(); };
    // A long send tells how far it has got, and that it is over.
    QElapsedTimer sending;
    sending.start();
    ProgressPacer pacer(progressFirstAfterMs_, progressEveryMs_);
    size_t total = 0;
    if (onSendProgress)
        callbacks.progress = [&](size_t done, size_t all) {
            total = all;
            if (pacer.Due(sending.elapsed())) onSendProgress(int(done), int(all));
        };
    ChangeSender sender(xConnection, t, lockWaitSec_, std::move(callbacks));
    const auto tellEnd = [&] {
        if (pacer.Told()) onSendProgress(int(total), int(total));
    };
    SendTrouble result;
    try {
        EnsureAttached();
        result = sender.Send(failure);
    } catch (...) {
        tellEnd();
        throw;
    }
    tellEnd();
    return result;
}

void TDM::SendAll(bool evenWhileAway) {
    if (!connected_) return;
    SendTrouble trouble = SendTrouble::None;
    QString failure;
    if (away_ && !evenWhileAway) {
        trouble = SendTrouble::Unreachable;
    } else {
        for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote}) {
            if (!t->Active() || !t->HasChanges()) continue;
            QString text;
            SendTrouble kind;
            try {
                kind = SendChanges(*t, text);
            } catch (const EQuillet& e) {
                kind = Classify(e);
                text = e.message();
            }
            journalCurrent_ = false;  // the send took some, or renumbered rows
            if (kind == SendTrouble::None) continue;
            if (trouble == SendTrouble::None || kind == SendTrouble::Unreachable) {
                trouble = kind;
                failure = text;
            }
            if (kind == SendTrouble::Unreachable) {
                LoseServer();
                break;
            }
        }
    }
    AfterSend(trouble, failure);
}

void TDM::AfterSend(SendTrouble trouble, const QString& failure) {
    if (!HasUnsentChanges()) {
        QString error;
        if (!journal_.Path().isEmpty()) journal_.Write({}, &error);
        told_.clear();
        lastFailure_.clear();
        lockWaitSec_ = LockWaitSec;
        retryMs_ = FirstRetryMs;
        retryTimer_.stop();
        return;
    }
    const bool journalled = journalCurrent_ || WriteJournal();
    if (!failure.isEmpty()) lastFailure_ = failure;
    if (trouble == SendTrouble::None && away_) trouble = SendTrouble::Unreachable;
    if (trouble == SendTrouble::LockConflict) lockWaitSec_ = 0;  // no second long wait
    if (!away_) {
        retryTimer_.start(retryMs_);
        retryMs_ = std::min(retryMs_ * 2, LongestRetryMs);
    }
    if (trouble == SendTrouble::None) return;
    // Each kind of trouble is told once while sends keep failing, and once
    // more if the journal then cannot be written.
    const int heard = int(trouble) * 2 + (journalled ? 0 : 1);
    if (!told_.insert(heard).second) return;
    if (onSendFailed)
        onSendFailed(SendTroubleMessage(trouble, lastFailure_, journal_.Path(), journalError_));
}

bool TDM::WriteJournal() {
    std::vector<JournalRow> rows;
    for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote}) {
        if (!t->Active() || !t->HasChanges()) continue;
        const std::vector<FieldDef>& fields = t->Fields();
        for (const TMemTable::Change& c : t->PendingChanges()) {
            JournalRow j;
            j.table = t->TableName();
            j.key = c.key;
            if (c.kind == TMemTable::Change::Delete) {
                j.kind = JournalRow::Delete;
                rows.push_back(std::move(j));
                continue;
            }
            j.kind = c.kind == TMemTable::Change::Insert ? JournalRow::Insert : JournalRow::Update;
            j.key = t->Cell(c.row, t->FieldIndex(t->KeyFieldName()));
            for (int i = 0; i < int(fields.size()); ++i) {
                j.values.emplace_back(fields[i].name, t->Cell(c.row, i));
                if (c.kind == TMemTable::Change::Update && (c.columns & (uint64_t(1) << i)))
                    j.changed << fields[i].name;
            }
            rows.push_back(std::move(j));
        }
    }
    journalCurrent_ = false;
    if (journal_.Path().isEmpty()) return false;
    QString error;
    if (journal_.Write(rows, &error)) {
        journalError_.clear();
        journalCurrent_ = true;
        return true;
    }
    journalError_ = error.isEmpty() ? QStringLiteral("ошибка записи") : error;
    return false;
}

void TDM::ApplyTable(TMemTable& table) {
    if (!table.Active() || !table.HasChanges()) return;
    // Kept on the disk before the first try: a crash during a send that
    // waits on the server loses nothing.
    WriteJournal();
    if (onTableChanged && &table != &cdsNote) onTableChanged(table);
    SendAll(false);
}

void TDM::ApplyRemakeable(TMemTable& table) {
    if (!table.Active() || !table.HasChanges()) return;
    journalCurrent_ = false;  // it lacks these rows
    if (onTableChanged && &table != &cdsNote) onTableChanged(table);
    SendAll(false);
}

bool TDM::HasUnsentChanges() const {
    return cdsTask.HasChanges() || cdsBirth.HasChanges() || cdsNote.HasChanges();
}

bool TDM::SendPending() {
    if (connected_ && HasUnsentChanges()) SendAll(true);
    return !HasUnsentChanges();
}

void TDM::Close() {
    retryTimer_.stop();
    if (probe_) probe_->Stop();
    if (connected_ && HasUnsentChanges()) WriteJournal();
    cdsTask.Close();
    cdsBirth.Close();
    cdsNote.Close();
    xConnection.Detach();
    connected_ = false;
    away_ = false;
    journalLock_.Release();
}
