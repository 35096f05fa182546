#include "data/DataModule.h"

#include <map>

#include "core/Log.h"

TDM* DM = nullptr;

namespace {

// Every few seconds a change that the database refused is sent again.
constexpr int RetryPeriodMs = 15000;

QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

FbConnection::Params connectionParams() {
    FbConnection::Params p;
    p.address = TDM::DatabaseAddress();
    p.user = QStringLiteral("sysdba");
    p.password = QStringLiteral("plumcrest");
    p.charset = QStringLiteral("WIN1251");
    p.dialect = 3;
    return p;
}

}  // namespace

TDM::TDM() {
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(RetryPeriodMs);
    connect(&retryTimer_, &QTimer::timeout, this, [this] {
        // A timer handler: nothing may escape into the event loop.
        try {
            SendPending();
        } catch (...) {
            WriteLog(QStringLiteral("Sending pending changes failed: ") + CurrentErrorText());
        }
    });
}

TDM::~TDM() {
    Close();
}

QString TDM::DatabaseAddress() {
    return QStringLiteral("127.0.0.1/3053:") + ExeDir() + QStringLiteral("qlbase.fdb");
}

void TDM::Connect() {
    xConnection.Attach(connectionParams());
    connected_ = true;
    attachmentLost_ = false;
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
    if (steps.loadSettings) steps.loadSettings();
    if (steps.startReminderTimer) steps.startReminderTimer();
    if (steps.newYearCheck) steps.newYearCheck();
    if (steps.importCheck) steps.importCheck();
}

void TDM::EnsureAttached() {
    if (!connected_) throw EQuillet(QStringLiteral("Нет подключения к базе данных"));
    if (attachmentLost_ || !xConnection.IsAttached()) {
        xConnection.Attach(connectionParams());
        attachmentLost_ = false;
    }
}

void TDM::NoteFailure(const EQuillet&) {
    // A dead attachment is replaced at the next attempt.
    if (!xConnection.Ping()) attachmentLost_ = true;
}

int TDM::CallIdProcedure(const char* procedure) {
    try {
        EnsureAttached();
        auto tr = xConnection.Begin();
        std::vector<Value> out;
        xConnection.Execute(
            *tr, QStringLiteral("EXECUTE PROCEDURE %1").arg(QLatin1String(procedure)), {}, &out);
        tr->Commit();
        if (out.empty() || out[0].isNull())
            throw EQuillet(QStringLiteral("%1 не вернула номер").arg(QLatin1String(procedure)));
        return int(out[0].toInt());
    } catch (const EQuillet& e) {
        NoteFailure(e);
        throw;
    }
}

int TDM::NewTaskId() {
    return CallIdProcedure("GET_TASK_ID");
}
int TDM::NewBirthId() {
    return CallIdProcedure("GET_BIRTH_ID");
}

void TDM::SendChanges(TMemTable& t) {
    const std::vector<TMemTable::Change> changes = t.PendingChanges();
    if (changes.empty()) {
        t.ChangesApplied();
        return;
    }
    const std::vector<FieldDef>& fields = t.Fields();
    const int keyIndex = t.FieldIndex(t.KeyFieldName());
    if (keyIndex < 0)
        throw EQuillet(
            QStringLiteral("%1: нет ключевого столбца %2").arg(t.TableName(), t.KeyFieldName()));
    const QString table = quoted(t.TableName());
    const QString key = quoted(fields[keyIndex].name);

    EnsureAttached();
    auto tr = xConnection.Begin();
    std::map<QString, std::unique_ptr<FbConnection::Statement>> prepared;
    auto statement = [&](const QString& sql) -> FbConnection::Statement& {
        auto& s = prepared[sql];
        if (!s) s = xConnection.Prepare(*tr, sql);
        return *s;
    };
    // Keys the database hands out for inserted rows land in the table only
    // once the whole send has been committed.
    std::vector<std::pair<int, Value>> storedKeys;

    for (const TMemTable::Change& c : changes) {
        std::vector<Value> params;
        QString sql;
        if (c.kind == TMemTable::Change::Delete) {
            sql = QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(table, key);
            params.push_back(c.key);
        } else if (c.kind == TMemTable::Change::Insert) {
            QStringList names, marks;
            for (int i = 0; i < int(fields.size()); ++i) {
                if (!(c.columns & (uint64_t(1) << i))) continue;
                names << quoted(fields[i].name);
                marks << QStringLiteral("?");
                params.push_back(t.Cell(c.row, i));
            }
            const bool needKey = t.Cell(c.row, keyIndex).isNull();
            sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(table, names.join(u','), marks.join(u','));
            if (needKey) sql += QStringLiteral(" RETURNING ") + key;
            std::vector<Value> out;
            statement(sql).Execute(params, needKey ? &out : nullptr);
            if (needKey && !out.empty()) storedKeys.emplace_back(c.row, out[0]);
            continue;
        } else {
            QStringList sets;
            for (int i = 0; i < int(fields.size()); ++i) {
                if (!(c.columns & (uint64_t(1) << i))) continue;
                sets << quoted(fields[i].name) + QStringLiteral("=?");
                params.push_back(t.Cell(c.row, i));
            }
            if (sets.isEmpty()) continue;
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?").arg(table, sets.join(u','), key);
            params.push_back(c.key);
        }
        statement(sql).Execute(params);
    }
    prepared.clear();
    tr->Commit();
    t.ChangesApplied();
    for (const auto& [row, value] : storedKeys)
        t.SetStoredValue(row, keyIndex, value);
}

void TDM::ApplyTable(TMemTable& table) {
    if (!table.Active() || !table.HasChanges()) return;
    try {
        SendChanges(table);
    } catch (const EQuillet& e) {
        NoteFailure(e);
        retryTimer_.start();
        if (!sendFailing_) {
            sendFailing_ = true;
            if (onSendFailed)
                onSendFailed(
                    QStringLiteral("Не удалось сохранить изменения в базе данных.\n\n%1\n\n"
                                   "Изменения сохранены в программе и будут отправлены снова, "
                                   "как только база данных станет доступна.")
                        .arg(e.message()));
        }
        return;
    }
    if (!HasUnsentChanges()) {
        sendFailing_ = false;
        retryTimer_.stop();
    }
}

bool TDM::HasUnsentChanges() const {
    return cdsTask.HasChanges() || cdsBirth.HasChanges() || cdsNote.HasChanges();
}

bool TDM::SendPending() {
    for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote})
        ApplyTable(*t);
    return !HasUnsentChanges();
}

void TDM::Close() {
    retryTimer_.stop();
    if (connected_ && HasUnsentChanges()) {
        for (TMemTable* t : {&cdsTask, &cdsBirth, &cdsNote}) {
            if (!t->Active() || !t->HasChanges()) continue;
            try {
                SendChanges(*t);
            } catch (const EQuillet&) {
            }
        }
    }
    cdsTask.Close();
    cdsBirth.Close();
    cdsNote.Close();
    xConnection.Detach();
    connected_ = false;
}
