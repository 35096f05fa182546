#include "data/DataModule.h"

#include <QSet>
#include <algorithm>
#include <bit>
#include <map>

#include "core/Error.h"
#include "core/ExePath.h"
#include "core/Log.h"
#include "data/ServerProbe.h"

TDM* DM = nullptr;

namespace {

QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

FbConnection::Params connectionParams(int connectTimeoutSec) {
    FbConnection::Params p;
    p.address = TDM::DatabaseAddress();
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

// A number the program gave a new row itself, until the database numbers it.
bool isProvisional(const Value& key) {
    return key.kind() == Value::Int && key.toInt() < 0;
}

// The columns of a row that hold a value.
uint64_t filledColumns(const TMemTable& t, int row) {
    uint64_t mask = 0;
    for (int c = 0; c < int(t.Fields().size()); ++c)
        if (!t.Cell(row, c).isNull()) mask |= uint64_t(1) << c;
    return mask;
}

// The type a column's value is declared with as a parameter of a block.
QString parameterType(const FieldDef& f) {
    switch (f.type) {
        case FieldType::Integer:
            return QStringLiteral("BIGINT");
        case FieldType::Float:
            return QStringLiteral("DOUBLE PRECISION");
        case FieldType::DateTime:
            return QStringLiteral("TIMESTAMP");
        case FieldType::Boolean:
            return QStringLiteral("BOOLEAN");
        case FieldType::Blob:
            return f.textBlob ? QStringLiteral("BLOB SUB_TYPE TEXT CHARACTER SET WIN1251")
                              : QStringLiteral("BLOB SUB_TYPE BINARY");
        case FieldType::Text:
            break;
    }
    return QStringLiteral("VARCHAR(%1) CHARACTER SET WIN1251").arg(f.size > 0 ? f.size : 32765);
}

// Many rows go in one statement: at most so many (the server takes at most
// 255 tables in one statement, and 64 KB of statement text).
constexpr int BlockRows = 100;
constexpr int BlockText = 60000;
constexpr int DeleteKeys = 500;

// A journal row back into its table: a row the database lacks is added, a
// row it has gets the changed columns; a delete removes the row if it is
// still there. Applying a row twice changes nothing more.
void applyJournalRow(TMemTable& t, const JournalRow& r) {
    const QString& keyName = t.KeyFieldName();
    if (r.kind == JournalRow::Delete) {
        if (!r.key.isNull() && t.Locate(r.key.toInt())) t.Delete();
        return;
    }
    bool found = false;
    if (!r.key.isNull())
        found = t.Locate(r.key.toInt());
    else if (!t.IsEmpty()) {  // a row the database numbers: the user's one row
        t.First();
        found = true;
    }
    if (found)
        t.Edit();
    else
        t.Append();
    for (const auto& [name, value] : r.values) {
        if (t.FieldIndex(name) < 0) continue;
        const bool isKey = name.compare(keyName, Qt::CaseInsensitive) == 0;
        if (found && (isKey || (r.kind == JournalRow::Update &&
                                !r.changed.contains(name, Qt::CaseInsensitive))))
            continue;
        t.FieldByName(name).SetValue(value);
    }
    t.Post();
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
    Close();
    probe_.reset();
}

QString TDM::DatabaseAddress() {
    return QStringLiteral("127.0.0.1/3053:") + ExeDir() + QStringLiteral("qlbase.fdb");
}

void TDM::Connect() {
    journal_ = TJournal(JournalPathFor(ExeDir() + QStringLiteral("qlbase.fdb")));
    xConnection.Attach(connectionParams(ConnectTimeoutSec));
    xConnection.SetOperationTimeout(CallTimeoutMs);
    connected_ = true;
    away_ = false;
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

void TDM::DataModuleCreate(const StartSteps& steps) {
    try {
        Connect();
    } catch (const EQuillet& e) {
        connected_ = false;
        if (steps.connectFailed)
            steps.connectFailed(QStringLiteral("Не удалось подключиться к базе данных.\n\n") +
                                e.message());
        return;
    }
    OpenTables();
    MoveSequencesPastTakenNumbers();
    ReplayJournal();
    if (steps.loadSettings) steps.loadSettings();
    if (steps.startReminderTimer) steps.startReminderTimer();
    if (steps.newYearCheck) steps.newYearCheck();
    if (steps.importCheck) steps.importCheck();
}

// Rows written by other tools, or a backup restored over a newer sequence,
// may hold numbers the sequences have not passed yet: they are moved past
// the largest number in use, so that new rows never meet an old one.
void TDM::MoveSequencesPastTakenNumbers() {
    for (const char* table : {"TASK", "BIRTH"}) {
        const QString seq = QStringLiteral("SEQ_%1_ID").arg(QLatin1String(table));
        try {
            auto tr = xConnection.Begin();
            const QueryResult gap = xConnection.Query(
                *tr, QStringLiteral("SELECT COALESCE(MAX(ID), 0) - GEN_ID(%1, 0) FROM %2")
                         .arg(seq, QLatin1String(table)));
            if (!gap.rows.empty() && gap.rows[0][0].toInt() > 0)
                xConnection.Query(*tr, QStringLiteral("SELECT GEN_ID(%1, %2) FROM RDB$DATABASE")
                                           .arg(seq)
                                           .arg(gap.rows[0][0].toInt()));
            tr->Commit();
        } catch (const EQuillet&) {
            // A database numbered some other way: its procedures skip taken
            // numbers themselves, and NewTaskId checks the loaded rows.
        }
    }
}

void TDM::ReplayJournal() {
    const JournalContents journal = journal_.Read();
    if (journal.rows.empty() && !journal.damaged) return;
    QString aside;
    if (journal.damaged && journal_.Exists()) aside = journal_.SetAside();
    int applied = 0;
    for (const JournalRow& r : journal.rows) {
        for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote}) {
            if (t->TableName().compare(r.table, Qt::CaseInsensitive) != 0) continue;
            try {
                applyJournalRow(*t, r);
                ++applied;
            } catch (const EQuillet&) {
                t->Cancel();
            }
        }
    }
    // Numbers of the program's own go on below those the journal brought.
    for (TMemTable* t : {&cdsTask, &cdsBirth}) {
        const int k = t->FieldIndex(t->KeyFieldName());
        for (int r = 0; k >= 0 && r < t->RecordCount(); ++r)
            if (isProvisional(t->Cell(r, k)))
                nextProvisional_ = std::min(nextProvisional_, int(t->Cell(r, k).toInt()) - 1);
    }
    if (journal.damaged && onSendFailed)
        onSendFailed(QStringLiteral("Журнал несохранённых изменений повреждён: %1.\n\n"
                                    "Прочитанные изменения (%2) переданы в базу данных или "
                                    "снова сохранены в журнале; файл журнала, как он был, "
                                    "оставлен на диске: «%3».")
                         .arg(journal.problem)
                         .arg(applied)
                         .arg(aside.isEmpty() ? journal_.Path() : aside));
    SendAll(true);
}

void TDM::EnsureAttached() {
    if (!connected_) throw EQuillet(QStringLiteral("Нет подключения к базе данных"));
    if (!xConnection.IsAttached()) xConnection.Attach(connectionParams(ConnectTimeoutSec));
}

SendTrouble TDM::Classify(const EQuillet& e) {
    if (const auto* fb = dynamic_cast<const FbError*>(&e)) {
        const SendTrouble t = ClassifySendError(fb->codes(), true);
        if (t == SendTrouble::Unreachable) return t;
        return xConnection.Ping() ? t : SendTrouble::Unreachable;
    }
    return xConnection.IsAttached() && xConnection.Ping() ? SendTrouble::Refused
                                                          : SendTrouble::Unreachable;
}

void TDM::LoseServer() {
    xConnection.Detach();
    away_ = true;
    retryTimer_.stop();
    if (!probe_)
        probe_ = std::make_unique<ServerProbe>(connectionParams(ProbeTimeoutSec), [this] {
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
    auto take = [&](const std::vector<Value>& row) {
        if (row.empty() || row[0].isNull() || taken.contains(row[0].toInt())) return;
        taken.insert(row[0].toInt());
        ids.push_back(int(row[0].toInt()));
    };
    // Numbers write no row: a read-only transaction, which ends at once.
    auto tr = xConnection.Begin(true);
    if (count > 1) {
        // The many-numbers form, where the database has it.
        try {
            const QueryResult r =
                xConnection.Query(*tr, QStringLiteral("SELECT ID FROM %1S(?)").arg(procedure),
                                  {Value::FromInt(count)});
            for (const auto& row : r.rows)
                take(row);
        } catch (const EQuillet& e) {
            if (Classify(e) == SendTrouble::Unreachable) throw;
        }
    }
    if (int(ids.size()) < count) {
        auto single = xConnection.Prepare(*tr, QStringLiteral("EXECUTE PROCEDURE ") + procedure);
        for (int guard = 0; int(ids.size()) < count && guard < count + 1000; ++guard) {
            std::vector<Value> out;
            single->Execute({}, &out);
            take(out);
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

// New rows that carry a number of the program's own get theirs from the
// database; the journal keeps the new numbers before the rows go out, so
// that a send repeated after a crash finds them stored and adds nothing.
void TDM::GiveStoredKeys(TMemTable& t) {
    const QString procedure = idProcedure(t.TableName());
    const int k = t.FieldIndex(t.KeyFieldName());
    if (procedure.isEmpty() || k < 0) return;
    std::vector<int> rows;
    for (int r = 0; r < t.RecordCount(); ++r)
        if (t.StatusOf(r) == TMemTable::RowStatus::Inserted && isProvisional(t.Cell(r, k)))
            rows.push_back(r);
    if (rows.empty()) return;
    const std::vector<int> ids = ServerIds(t, procedure, int(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        t.ReplaceKey(rows[i], Value::FromInt(ids[i]));
    WriteJournal();
}

SendTrouble TDM::SendChanges(TMemTable& t, QString& failure) {
    const std::vector<FieldDef>& fields = t.Fields();
    const int keyIndex = t.FieldIndex(t.KeyFieldName());
    if (keyIndex < 0)
        throw EQuillet(
            QStringLiteral("%1: нет ключевого столбца %2").arg(t.TableName(), t.KeyFieldName()));
    const int userIndex = t.FieldIndex(QStringLiteral("USER_ID"));
    EnsureAttached();
    GiveStoredKeys(t);
    std::vector<TMemTable::Change> changes = t.PendingChanges();
    // New rows go in the order of their numbers (the table holds them in
    // the order of their moments), so that the database adds each at the
    // end of the key's index: an import's rows are numbered in file order.
    // Each change is a row of its own, so their order is free.
    const auto byKey = [&](const TMemTable::Change& a, const TMemTable::Change& b) {
        const Value &ka = t.Cell(a.row, keyIndex), &kb = t.Cell(b.row, keyIndex);
        if (ka.isNull() || kb.isNull()) return !ka.isNull() && kb.isNull();
        return ka.toInt() < kb.toInt();
    };
    for (auto from = changes.begin(); from != changes.end();) {
        const auto isInsert = [](const TMemTable::Change& c) {
            return c.kind == TMemTable::Change::Insert;
        };
        from = std::find_if(from, changes.end(), isInsert);
        const auto to = std::find_if_not(from, changes.end(), isInsert);
        std::stable_sort(from, to, byKey);
        from = to;
    }
    if (changes.empty()) {
        t.ChangesApplied();
        return SendTrouble::None;
    }
    const QString table = quoted(t.TableName());
    const QString key = quoted(fields[keyIndex].name);

    FbConnection::TransactionOptions options;
    options.lockWaitSec = lockWaitSec_;
    auto tr = xConnection.Begin(options);
    std::map<QString, std::unique_ptr<FbConnection::Statement>> prepared;
    auto statement = [&](const QString& sql) -> FbConnection::Statement& {
        auto& s = prepared[sql];
        if (!s) s = xConnection.Prepare(*tr, sql);
        return *s;
    };
    auto execute = [&](const QString& sql, const std::vector<Value>& params,
                       std::vector<Value>* out = nullptr) -> FbConnection::Statement& {
        FbConnection::Statement& s = statement(sql);
        s.Execute(params, out);
        return s;
    };
    // The row's columns in `mask`: their quoted names and values.
    auto columns = [&](int row, uint64_t mask, QStringList& names, std::vector<Value>& params) {
        for (int i = 0; i < int(fields.size()); ++i) {
            if (!(mask & (uint64_t(1) << i))) continue;
            names << quoted(fields[i].name);
            params.push_back(t.Cell(row, i));
        }
    };
    auto insert = [&](int row, uint64_t mask, bool returning) {
        QStringList names;
        std::vector<Value> params;
        columns(row, mask, names, params);
        QString sql = names.isEmpty()
                          ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(table, names.join(u','),
                                     QStringList(names.size(), QStringLiteral("?")).join(u','));
        if (returning) sql += QStringLiteral(" RETURNING ") + key;
        std::vector<Value> out;
        execute(sql, params, returning ? &out : nullptr);
        return out.empty() ? Value() : out[0];
    };
    auto update = [&](int row, uint64_t mask, const Value& where) -> quint64 {
        QStringList names;
        std::vector<Value> params;
        columns(row, mask & ~(uint64_t(1) << keyIndex), names, params);
        if (names.isEmpty()) return 1;
        for (QString& n : names)
            n += QStringLiteral("=?");
        params.push_back(where);
        return execute(
                   QStringLiteral("UPDATE %1 SET %2 WHERE %3=?").arg(table, names.join(u','), key),
                   params)
            .AffectedRecords();
    };
    auto stored = [&](const Value& where) {
        return !xConnection
                    .Query(*tr, QStringLiteral("SELECT 1 FROM %1 WHERE %2=?").arg(table, key),
                           {where})
                    .rows.empty();
    };

    // Keys the database hands out for inserted rows land in the table only
    // once the whole send has been committed.
    std::vector<std::pair<int, Value>> storedKeys;
    std::vector<TMemTable::Change> done;
    SendTrouble trouble = SendTrouble::None;

    auto sendInsert = [&](const TMemTable::Change& c) {
        const Value rowKey = t.Cell(c.row, keyIndex);
        if (rowKey.isNull()) {
            // A row the database numbers (the notes page): when the user's
            // row is there already (an earlier send that got through), it
            // is updated, so that a repeated send never makes a second one.
            if (userIndex >= 0) {
                const QueryResult mine = xConnection.Query(
                    *tr,
                    QStringLiteral("SELECT FIRST 1 %1 FROM %2 WHERE USER_ID=?").arg(key, table),
                    {Value::FromInt(CurrentUserId)});
                if (!mine.rows.empty() && !mine.rows[0][0].isNull()) {
                    update(c.row, c.columns, mine.rows[0][0]);
                    storedKeys.emplace_back(c.row, mine.rows[0][0]);
                    return;
                }
            }
            storedKeys.emplace_back(c.row, insert(c.row, c.columns, true));
            return;
        }
        for (int attempt = 0;; ++attempt) {
            try {
                insert(c.row, filledColumns(t, c.row), false);
                return;
            } catch (const FbError& e) {
                const Value now = t.Cell(c.row, keyIndex);
                if (!IsDuplicateKeyError(e.codes()) || attempt >= 3 || !stored(now)) throw;
                // Our own insert of an earlier send that broke at its commit.
                if (t.MaybeStored(c.row)) {
                    update(c.row, filledColumns(t, c.row), now);
                    return;
                }
                // A row written elsewhere holds this number: ours takes a new
                // one and leaves that row alone.
                const QString procedure = idProcedure(t.TableName());
                if (procedure.isEmpty()) throw;
                t.ReplaceKey(c.row, Value::FromInt(ServerIds(t, procedure, 1).front()));
                WriteJournal();
            }
        }
    };

    // One change by itself; false when the send stops here.
    auto one = [&](const TMemTable::Change& c) {
        try {
            switch (c.kind) {
                case TMemTable::Change::Delete:
                    execute(QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(table, key), {c.key});
                    break;
                case TMemTable::Change::Insert:
                    sendInsert(c);
                    break;
                case TMemTable::Change::Update:
                    // A row deleted elsewhere is written again: the user's
                    // version wins.
                    if (update(c.row, c.columns, c.key) == 0)
                        insert(c.row, filledColumns(t, c.row), false);
                    break;
            }
            done.push_back(c);
            return true;
        } catch (const FbError& e) {
            const SendTrouble kind = Classify(e);
            if (kind == SendTrouble::Unreachable) throw;
            if (trouble == SendTrouble::None) {
                trouble = kind;
                failure = e.message();
            }
            // A held row that was waited for: the rest waits for the next
            // try rather than wait again. Otherwise (no wait, a refused
            // row) the others go on.
            return !(kind == SendTrouble::LockConflict && options.lockWaitSec != 0);
        }
    };

    // Runs of deletes, and of new rows with their numbers, go many in one
    // statement (an import sends thousands): how many from change `i`.
    auto plainInsert = [&](const TMemTable::Change& c) {
        return c.kind == TMemTable::Change::Insert && !t.Cell(c.row, keyIndex).isNull() &&
               !t.MaybeStored(c.row);
    };
    auto runLength = [&](size_t i) -> size_t {
        const TMemTable::Change& c = changes[i];
        size_t n = 1;
        if (c.kind == TMemTable::Change::Delete) {
            while (i + n < changes.size() && n < DeleteKeys &&
                   changes[i + n].kind == TMemTable::Change::Delete)
                ++n;
        } else if (plainInsert(c)) {
            const uint64_t mask = filledColumns(t, c.row);
            const int perRow = 120 + 60 * std::popcount(mask);
            while (i + n < changes.size() && int(n) < BlockRows &&
                   int(n + 1) * perRow < BlockText && plainInsert(changes[i + n]) &&
                   filledColumns(t, changes[i + n].row) == mask)
                ++n;
        }
        return n;
    };
    std::map<std::pair<uint64_t, size_t>, QString> blockSql;  // by columns and rows
    auto sendRun = [&](size_t i, size_t n) {
        std::vector<Value> params;
        if (changes[i].kind == TMemTable::Change::Delete) {
            for (size_t j = i; j < i + n; ++j)
                params.push_back(changes[j].key);
            execute(QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)")
                        .arg(table, key, QStringList(int(n), QStringLiteral("?")).join(u',')),
                    params);
            return;
        }
        const uint64_t mask = filledColumns(t, changes[i].row);
        for (size_t j = i; j < i + n; ++j)
            for (int c = 0; c < int(fields.size()); ++c)
                if (mask & (uint64_t(1) << c)) params.push_back(t.Cell(changes[j].row, c));
        QString& sql = blockSql[{mask, n}];
        if (sql.isEmpty()) {
            QStringList names, declared, inserts;
            for (int c = 0; c < int(fields.size()); ++c)
                if (mask & (uint64_t(1) << c)) names << quoted(fields[c].name);
            int p = 0;
            for (size_t j = 0; j < n; ++j) {
                QStringList values;
                for (int c = 0; c < int(fields.size()); ++c) {
                    if (!(mask & (uint64_t(1) << c))) continue;
                    const QString name = QStringLiteral("P%1").arg(p++);
                    declared << name + u' ' + parameterType(fields[c]) + QStringLiteral("=?");
                    values << u':' + name;
                }
                inserts << QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);")
                               .arg(table, names.join(u','), values.join(u','));
            }
            sql = QStringLiteral("EXECUTE BLOCK (%1) AS BEGIN %2 END")
                      .arg(declared.join(u','), inserts.join(u' '));
        }
        execute(sql, params);
    };

    for (size_t i = 0; i < changes.size();) {
        const size_t n = runLength(i);
        if (n > 1) {
            try {
                sendRun(i, n);
                done.insert(done.end(), changes.begin() + qsizetype(i),
                            changes.begin() + qsizetype(i + n));
                i += n;
                continue;
            } catch (const FbError& e) {
                // One of them is refused or meets a row written elsewhere:
                // they go one by one, each dealt with by itself.
                if (Classify(e) == SendTrouble::Unreachable) throw;
            }
        }
        bool goOn = true;
        for (size_t j = i; j < i + n && goOn; ++j)
            goOn = one(changes[j]);
        if (!goOn) break;
        i += n;
    }
    prepared.clear();
    try {
        tr->Commit();
    } catch (const EQuillet&) {
        // The commit may have reached the database before the line broke.
        for (const TMemTable::Change& c : done)
            if (c.kind == TMemTable::Change::Insert) t.SetMaybeStored(c.row);
        throw;
    }
    t.MarkApplied(done);
    for (const auto& [row, value] : storedKeys)
        if (!value.isNull()) t.SetStoredValue(row, keyIndex, value);
    return trouble;
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
    const bool journalled = WriteJournal();
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
    if (journal_.Path().isEmpty()) return false;
    QString error;
    if (journal_.Write(rows, &error)) {
        journalError_.clear();
        return true;
    }
    journalError_ = error.isEmpty() ? QStringLiteral("ошибка записи") : error;
    return false;
}

void TDM::ApplyTable(TMemTable& table) {
    if (!table.Active() || !table.HasChanges()) return;
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
}
