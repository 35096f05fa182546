#include "data/OwnTables.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QUuid>
#include <QtEndian>

#include "data/FbClient.h"

namespace {

const char* const createIdentity = "CREATE TABLE QUILLET_IDENTITY (IDENTITY VARCHAR(40) NOT NULL)";
const char* const createImported =
    "CREATE TABLE QUILLET_IMPORTED (IMPORTED_AT TIMESTAMP DEFAULT CURRENT_TIMESTAMP, "
    "TOKEN BIGINT, CONFIRMED SMALLINT DEFAULT 0 NOT NULL, KEYS BLOB SUB_TYPE BINARY)";

// One record of an import in KEYS: its key, the number of its row, whether
// that row is a task (0) or an event (1).
constexpr qsizetype kEntrySize = 16;

}  // namespace

FbConnection::TransactionOptions OwnTableWriting() {
    FbConnection::TransactionOptions o;
    o.lockWaitSec = 4;
    return o;
}

void CreateMissingTables(FbConnection& c, const std::vector<OwnTableDef>& tables) {
    QStringList names;
    for (const OwnTableDef& t : tables)
        names << QStringLiteral("'%1'").arg(QLatin1String(t.name));
    QSet<QString> present;
    {
        auto tr = c.Begin(true);
        const QueryResult r =
            c.Query(*tr, QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE "
                                        "RDB$RELATION_NAME IN (%1)")
                             .arg(names.join(u',')));
        for (const auto& row : r.rows)
            present.insert(row[0].toText().trimmed());
        tr->Commit();
    }
    for (const OwnTableDef& t : tables) {
        if (present.contains(QLatin1String(t.name))) continue;
        for (const char* statement : t.ddl) {
            auto tr = c.Begin(OwnTableWriting());
            c.Execute(*tr, QLatin1String(statement));
            tr->Commit();
        }
    }
}

void TOwnTables::EnsureTables() {
    if (ready_) return;
    CreateMissingTables(
        c_, {{"QUILLET_IDENTITY", {createIdentity}}, {"QUILLET_IMPORTED", {createImported}}});
    ready_ = true;
}

QString TOwnTables::Identity() {
    if (!identity_.isEmpty()) return identity_;
    EnsureTables();
    auto tr = c_.Begin(OwnTableWriting());
    const QueryResult r =
        c_.Query(*tr, QStringLiteral("SELECT FIRST 1 IDENTITY FROM QUILLET_IDENTITY"));
    QString identity = r.rows.empty() ? QString() : r.rows[0][0].toText().trimmed();
    if (identity.isEmpty()) {
        identity = QUuid::createUuid().toString(QUuid::WithoutBraces);
        c_.Execute(*tr, QStringLiteral("INSERT INTO QUILLET_IDENTITY (IDENTITY) VALUES (?)"),
                   {Value::FromText(identity)});
    }
    tr->Commit();
    identity_ = identity;
    return identity_;
}

QSet<quint64> TOwnTables::ImportedKeys(const QSet<int>& taskIds, const QSet<int>& eventIds) {
    EnsureTables();
    auto tr = c_.Begin(true);
    const QueryResult r =
        c_.Query(*tr, QStringLiteral("SELECT CONFIRMED, KEYS FROM QUILLET_IMPORTED"));
    tr->Commit();
    QSet<quint64> keys;
    for (const auto& row : r.rows) {
        const bool confirmed = row[0].toInt() != 0;
        const QByteArray bytes = row[1].toBytes();
        for (qsizetype at = 0; at + kEntrySize <= bytes.size(); at += kEntrySize) {
            const char* entry = bytes.constData() + at;
            const int id = qFromLittleEndian<qint32>(entry + 8);
            const bool task = qFromLittleEndian<qint32>(entry + 12) == 0;
            // An import cut short before its rows were stored or journalled
            // left its keys unconfirmed: they count only where the row is.
            if (confirmed || (task ? taskIds : eventIds).contains(id))
                keys.insert(qFromLittleEndian<quint64>(entry));
        }
    }
    return keys;
}

qint64 TOwnTables::RememberImported(const std::vector<quint64>& keys,
                                    const std::vector<int>& taskIds,
                                    const std::vector<int>& eventIds) {
    if (keys.empty() || keys.size() != taskIds.size() + eventIds.size()) return 0;
    EnsureTables();
    QByteArray all(qsizetype(keys.size()) * kEntrySize, Qt::Uninitialized);
    for (size_t i = 0; i < keys.size(); ++i) {
        const bool task = i < taskIds.size();
        char* entry = all.data() + i * kEntrySize;
        qToLittleEndian(keys[i], entry);
        qToLittleEndian<qint32>(task ? taskIds[i] : eventIds[i - taskIds.size()], entry + 8);
        qToLittleEndian<qint32>(task ? 0 : 1, entry + 12);
    }
    const qint64 token = qint64(QRandomGenerator::system()->generate64() >> 1) | 1;
    auto tr = c_.Begin(OwnTableWriting());
    c_.Execute(*tr, QStringLiteral("INSERT INTO QUILLET_IMPORTED (TOKEN, KEYS) VALUES (?, ?)"),
               {Value::FromInt(token), Value::FromBytes(all)});
    tr->Commit();
    return token;
}

void TOwnTables::ConfirmImported(qint64 token) {
    if (token == 0) return;
    auto tr = c_.Begin(OwnTableWriting());
    c_.Execute(*tr, QStringLiteral("UPDATE QUILLET_IMPORTED SET CONFIRMED = 1 WHERE TOKEN = ?"),
               {Value::FromInt(token)});
    tr->Commit();
}
