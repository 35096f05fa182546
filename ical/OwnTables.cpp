#include "ical/OwnTables.h"

#include <QUuid>
#include <QtEndian>

#include "data/FbClient.h"

namespace {

// A row another connection holds is waited for a few seconds, not for ever.
FbConnection::TransactionOptions writing() {
    FbConnection::TransactionOptions o;
    o.lockWaitSec = 4;
    return o;
}

const char* const createIdentity = "CREATE TABLE QUILLET_IDENTITY (IDENTITY VARCHAR(40) NOT NULL)";
const char* const createImported =
    "CREATE TABLE QUILLET_IMPORTED (IMPORTED_AT TIMESTAMP DEFAULT CURRENT_TIMESTAMP, "
    "KEYS BLOB SUB_TYPE BINARY)";

}  // namespace

void TOwnTables::EnsureTables() {
    if (ready_) return;
    QSet<QString> present;
    {
        auto tr = c_.Begin(true);
        const QueryResult r = c_.Query(
            *tr, QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE "
                                "RDB$RELATION_NAME IN ('QUILLET_IDENTITY', 'QUILLET_IMPORTED')"));
        for (const auto& row : r.rows)
            present.insert(row[0].toText().trimmed());
        tr->Commit();
    }
    // Tables must be committed before rows go into them.
    const std::pair<const char*, const char*> tables[] = {{"QUILLET_IDENTITY", createIdentity},
                                                          {"QUILLET_IMPORTED", createImported}};
    for (const auto& [name, ddl] : tables) {
        if (present.contains(QLatin1String(name))) continue;
        auto tr = c_.Begin(writing());
        c_.Execute(*tr, QLatin1String(ddl));
        tr->Commit();
    }
    ready_ = true;
}

QString TOwnTables::Identity() {
    if (!identity_.isEmpty()) return identity_;
    EnsureTables();
    auto tr = c_.Begin(writing());
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

QSet<quint64> TOwnTables::ImportedKeys() {
    EnsureTables();
    auto tr = c_.Begin(true);
    const QueryResult r = c_.Query(*tr, QStringLiteral("SELECT KEYS FROM QUILLET_IMPORTED"));
    tr->Commit();
    QSet<quint64> keys;
    for (const auto& row : r.rows) {
        const QByteArray bytes = row[0].toBytes();
        for (qsizetype at = 0; at + 8 <= bytes.size(); at += 8)
            keys.insert(qFromLittleEndian<quint64>(bytes.constData() + at));
    }
    return keys;
}

void TOwnTables::RememberImported(const std::vector<quint64>& keys) {
    if (keys.empty()) return;
    EnsureTables();
    QByteArray all(qsizetype(keys.size()) * 8, Qt::Uninitialized);
    for (size_t i = 0; i < keys.size(); ++i)
        qToLittleEndian(keys[i], all.data() + i * 8);
    auto tr = c_.Begin(writing());
    c_.Execute(*tr, QStringLiteral("INSERT INTO QUILLET_IMPORTED (KEYS) VALUES (?)"),
               {Value::FromBytes(all)});
    tr->Commit();
}
