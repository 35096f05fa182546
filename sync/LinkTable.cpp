#include "sync/LinkTable.h"

#include <QSet>
#include <QUrl>

#include "data/FbClient.h"
#include "data/OwnTables.h"

namespace {

const char* const createLinks =
    "CREATE TABLE QUILLET_SYNC (KIND SMALLINT NOT NULL, ROW_ID INTEGER NOT NULL, "
    "UID VARCHAR(1000), HREF VARCHAR(1000) NOT NULL, ETAG VARCHAR(300), HASH BIGINT, "
    "PENDING SMALLINT DEFAULT 0 NOT NULL, PEND_ETAG VARCHAR(300), PEND_HASH BIGINT)";
const char* const indexLinks = "CREATE UNIQUE INDEX QUILLET_SYNC_HREF ON QUILLET_SYNC (HREF)";
const char* const createState =
    "CREATE TABLE QUILLET_SYNC_STATE (NAME VARCHAR(1000) NOT NULL, VAL VARCHAR(4000))";

// Texts of the server (UIDs of other programs, tags, tokens) may hold
// characters the connection's code page lacks: they are kept percent-encoded.
Value encoded(const QString& s) {
    return Value::FromText(QString::fromLatin1(QUrl::toPercentEncoding(s, "@/:-_.~=+,;\"")));
}
QString decoded(const Value& v) {
    return QUrl::fromPercentEncoding(v.toText().toLatin1());
}

}  // namespace

void TSyncLinks::EnsureTables() {
    if (ready_) return;
    CreateMissingTables(
        c_, {{"QUILLET_SYNC", {createLinks, indexLinks}}, {"QUILLET_SYNC_STATE", {createState}}});
    ready_ = true;
}

std::vector<SyncLink> TSyncLinks::Load() {
    EnsureTables();
    auto tr = c_.Begin(true);
    const QueryResult r = c_.Query(
        *tr, QStringLiteral("SELECT KIND, ROW_ID, UID, HREF, ETAG, HASH, PENDING, PEND_ETAG, "
                            "PEND_HASH FROM QUILLET_SYNC"));
    tr->Commit();
    std::vector<SyncLink> links;
    links.reserve(r.rows.size());
    for (const auto& row : r.rows) {
        SyncLink l;
        l.kind = row[0].toInt() == 1 ? ItemKind::Event : ItemKind::Task;
        l.id = int(row[1].toInt());
        l.uid = decoded(row[2]);
        l.href = decoded(row[3]);
        l.etag = decoded(row[4]);
        l.hash = quint64(row[5].toInt());
        l.pending = SyncLink::Pending(qBound(qint64(0), row[6].toInt(), qint64(2)));
        l.pendEtag = decoded(row[7]);
        l.pendHash = quint64(row[8].toInt());
        links.push_back(std::move(l));
    }
    return links;
}

void TSyncLinks::Store(const std::vector<SyncLink>& links) {
    if (links.empty()) return;
    EnsureTables();
    auto tr = c_.Begin(OwnTableWriting());
    auto st = c_.Prepare(
        *tr, QStringLiteral("UPDATE OR INSERT INTO QUILLET_SYNC (KIND, ROW_ID, UID, HREF, "
                            "ETAG, HASH, PENDING, PEND_ETAG, PEND_HASH) VALUES "
                            "(?, ?, ?, ?, ?, ?, ?, ?, ?) MATCHING (HREF)"));
    for (const SyncLink& l : links)
        st->Execute({Value::FromInt(int(l.kind)), Value::FromInt(l.id), encoded(l.uid),
                     encoded(l.href), encoded(l.etag), Value::FromInt(qint64(l.hash)),
                     Value::FromInt(int(l.pending)), encoded(l.pendEtag),
                     Value::FromInt(qint64(l.pendHash))});
    st.reset();
    tr->Commit();
}

void TSyncLinks::Remove(const QStringList& hrefs) {
    if (hrefs.isEmpty()) return;
    EnsureTables();
    auto tr = c_.Begin(OwnTableWriting());
    auto st = c_.Prepare(*tr, QStringLiteral("DELETE FROM QUILLET_SYNC WHERE HREF = ?"));
    for (const QString& href : hrefs)
        st->Execute({encoded(href)});
    st.reset();
    tr->Commit();
}

QString TSyncLinks::StateValue(const QString& key) {
    EnsureTables();
    auto tr = c_.Begin(true);
    const QueryResult r = c_.Query(
        *tr, QStringLiteral("SELECT VAL FROM QUILLET_SYNC_STATE WHERE NAME = ?"), {encoded(key)});
    tr->Commit();
    return r.rows.empty() ? QString() : decoded(r.rows[0][0]);
}

void TSyncLinks::SetStateValue(const QString& key, const QString& value) {
    EnsureTables();
    auto tr = c_.Begin(OwnTableWriting());
    c_.Execute(*tr, QStringLiteral("DELETE FROM QUILLET_SYNC_STATE WHERE NAME = ?"),
               {encoded(key)});
    c_.Execute(*tr, QStringLiteral("INSERT INTO QUILLET_SYNC_STATE (NAME, VAL) VALUES (?, ?)"),
               {encoded(key), encoded(value)});
    tr->Commit();
}

QString TSyncLinks::Token(const QString& calendar) {
    return StateValue(QStringLiteral("token ") + calendar);
}

void TSyncLinks::SetToken(const QString& calendar, const QString& token) {
    SetStateValue(QStringLiteral("token ") + calendar, token);
}

QString TSyncLinks::Stamp(const QString& calendar) {
    return StateValue(QStringLiteral("stamp ") + calendar);
}

void TSyncLinks::SetStamp(const QString& calendar, const QString& stamp) {
    SetStateValue(QStringLiteral("stamp ") + calendar, stamp);
}

QString TSyncLinks::Account() {
    return StateValue(QStringLiteral("account"));
}

void TSyncLinks::Reset(const QString& account) {
    EnsureTables();
    auto tr = c_.Begin(OwnTableWriting());
    c_.Execute(*tr, QStringLiteral("DELETE FROM QUILLET_SYNC"));
    c_.Execute(*tr, QStringLiteral("DELETE FROM QUILLET_SYNC_STATE"));
    c_.Execute(*tr, QStringLiteral("INSERT INTO QUILLET_SYNC_STATE (NAME, VAL) VALUES (?, ?)"),
               {encoded(QStringLiteral("account")), encoded(account)});
    tr->Commit();
}

std::vector<int> TSyncLinks::NewIds(ItemKind kind, int count) {
    std::vector<int> ids;
    if (count <= 0) return ids;
    ids.reserve(size_t(count));
    auto tr = c_.Begin(OwnTableWriting());
    auto st =
        c_.Prepare(*tr, kind == ItemKind::Task ? QStringLiteral("EXECUTE PROCEDURE GET_TASK_ID")
                                               : QStringLiteral("EXECUTE PROCEDURE GET_BIRTH_ID"));
    for (int i = 0; i < count; ++i) {
        std::vector<Value> out;
        st->Execute({}, &out);
        ids.push_back(out.empty() ? 0 : int(out[0].toInt()));
    }
    st.reset();
    tr->Commit();
    return ids;
}
