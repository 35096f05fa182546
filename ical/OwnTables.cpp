#include "ical/OwnTables.h"

#include <QStringList>
#include <QUuid>

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
    "CREATE TABLE QUILLET_IMPORTED ("
    "UID_KEY VARCHAR(250) NOT NULL, "
    "ITEM_TABLE VARCHAR(5) NOT NULL, "
    "ITEM_ID INTEGER NOT NULL, "
    "IMPORTED_AT TIMESTAMP DEFAULT CURRENT_TIMESTAMP, "
    "CONSTRAINT PK_QUILLET_IMPORTED PRIMARY KEY (UID_KEY))";

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

QSet<QString> TOwnTables::ImportedKeys() {
    EnsureTables();
    auto tr = c_.Begin(true);
    const QueryResult r = c_.Query(*tr, QStringLiteral("SELECT UID_KEY FROM QUILLET_IMPORTED"));
    tr->Commit();
    QSet<QString> keys;
    keys.reserve(qsizetype(r.rows.size()));
    for (const auto& row : r.rows)
        keys.insert(row[0].toText());
    return keys;
}

// A statement that stores `rows` keys at once.
QString TOwnTables::BlockSql(int rows) {
    QStringList declared, inserts;
    for (int i = 0; i < rows; ++i) {
        declared << QStringLiteral(
                        "K%1 VARCHAR(250) CHARACTER SET WIN1251 = ?, "
                        "T%1 VARCHAR(5) = ?, I%1 INTEGER = ?")
                        .arg(i);
        inserts << QStringLiteral(
                       "UPDATE OR INSERT INTO QUILLET_IMPORTED (UID_KEY, ITEM_TABLE, "
                       "ITEM_ID) VALUES (:K%1, :T%1, :I%1) MATCHING (UID_KEY);")
                       .arg(i);
    }
    return QStringLiteral("EXECUTE BLOCK (%1) AS BEGIN %2 END")
        .arg(declared.join(QStringLiteral(", ")), inserts.join(u' '));
}

void TOwnTables::RememberImported(const std::vector<ImportedRecord>& records) {
    if (records.empty()) return;
    EnsureTables();
    auto tr = c_.Begin(writing());
    // Many rows in one statement, prepared once: an import brings thousands.
    std::unique_ptr<FbConnection::Statement> full;
    for (size_t from = 0; from < records.size(); from += BlockRows) {
        const int rows = int(std::min(records.size() - from, size_t(BlockRows)));
        std::vector<Value> params;
        params.reserve(size_t(rows) * 3);
        for (int i = 0; i < rows; ++i) {
            const ImportedRecord& r = records[from + size_t(i)];
            params.push_back(Value::FromText(r.key));
            params.push_back(
                Value::FromText(r.task ? QStringLiteral("TASK") : QStringLiteral("BIRTH")));
            params.push_back(Value::FromInt(r.id));
        }
        if (rows < BlockRows) {
            c_.Execute(*tr, BlockSql(rows), params);
            continue;
        }
        if (!full) full = c_.Prepare(*tr, BlockSql(BlockRows));
        full->Execute(params);
    }
    full.reset();
    tr->Commit();
}
