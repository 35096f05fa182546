#include "data/Journal.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QStandardPaths>

#include "core/SafeFile.h"

namespace {

// The file: the magic line, then records, each its length (4 bytes), the
// first 8 bytes of the SHA-1 of its contents and the contents; the first
// record names the database, the last holds the number of rows, so a file
// cut at a record's end is noticed too. Files of the first form lack the
// database's record.
const QByteArray Magic = QByteArrayLiteral("QUILLET-JOURNAL 2\n");
const QByteArray FirstMagic = QByteArrayLiteral("QUILLET-JOURNAL 1\n");
constexpr quint8 HeaderMark = 0xFE;
constexpr quint8 EndMark = 0xFF;
constexpr quint32 MaxRecord = quint32(MaxJournalBytes);
constexpr auto StreamVersion = QDataStream::Qt_6_0;

QByteArray digest(const QByteArray& payload) {
    return QCryptographicHash::hash(payload, QCryptographicHash::Sha1).left(8);
}

void writeValue(QDataStream& s, const Value& v) {
    s << quint8(v.kind());
    switch (v.kind()) {
        case Value::Null:
            break;
        case Value::Int:
            s << qint64(v.toInt());
            break;
        case Value::Float:
            s << v.toFloat();
            break;
        case Value::Text:
            s << v.toText();
            break;
        case Value::Bytes:
            s << v.toBytes();
            break;
    }
}

bool readValue(QDataStream& s, Value& v) {
    quint8 kind = 0;
    s >> kind;
    switch (kind) {
        case Value::Null:
            v = Value();
            break;
        case Value::Int: {
            qint64 i = 0;
            s >> i;
            v = Value::FromInt(i);
            break;
        }
        case Value::Float: {
            double d = 0;
            s >> d;
            v = Value::FromFloat(d);
            break;
        }
        case Value::Text: {
            QString t;
            s >> t;
            v = Value::FromText(t);
            break;
        }
        case Value::Bytes: {
            QByteArray b;
            s >> b;
            v = Value::FromBytes(b);
            break;
        }
        default:
            return false;
    }
    return s.status() == QDataStream::Ok;
}

void appendRecord(QByteArray& out, const QByteArray& payload) {
    QDataStream s(&out, QIODevice::WriteOnly | QIODevice::Append);
    s.setVersion(StreamVersion);
    s << quint32(payload.size());
    s.writeRawData(digest(payload).constData(), 8);
    s.writeRawData(payload.constData(), int(payload.size()));
}

QByteArray rowPayload(const JournalRow& r) {
    QByteArray payload;
    QDataStream s(&payload, QIODevice::WriteOnly);
    s.setVersion(StreamVersion);
    s << quint8(r.kind) << r.table;
    writeValue(s, r.key);
    s << r.changed << quint32(r.values.size());
    for (const auto& [name, value] : r.values) {
        s << name;
        writeValue(s, value);
    }
    return payload;
}

// One row from a verified record; false when its contents make no sense.
bool readRow(const QByteArray& payload, quint8 kind, JournalRow& r) {
    QDataStream s(payload);
    s.setVersion(StreamVersion);
    quint8 k = 0;
    s >> k;
    if (k != kind || k > JournalRow::Update) return false;
    r.kind = JournalRow::Kind(k);
    s >> r.table;
    if (!readValue(s, r.key)) return false;
    quint32 count = 0;
    s >> r.changed >> count;
    if (s.status() != QDataStream::Ok || count > 4096) return false;
    r.values.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        QString name;
        Value v;
        s >> name;
        if (!readValue(s, v)) return false;
        r.values.emplace_back(std::move(name), std::move(v));
    }
    return s.status() == QDataStream::Ok && s.atEnd() && !r.table.isEmpty();
}

}  // namespace

QByteArray EncodeJournal(const std::vector<JournalRow>& rows, const QString& database) {
    QByteArray out = Magic;
    {
        QByteArray header;
        QDataStream s(&header, QIODevice::WriteOnly);
        s.setVersion(StreamVersion);
        s << HeaderMark << database;
        appendRecord(out, header);
    }
    for (const JournalRow& r : rows)
        appendRecord(out, rowPayload(r));
    QByteArray end;
    QDataStream s(&end, QIODevice::WriteOnly);
    s.setVersion(StreamVersion);
    s << EndMark << quint32(rows.size());
    appendRecord(out, end);
    return out;
}

JournalContents DecodeJournal(const QByteArray& bytes) {
    JournalContents c;
    auto damaged = [&](const QString& what) {
        c.damaged = true;
        c.problem = QStringLiteral("%1; прочитано изменений: %2").arg(what).arg(c.rows.size());
        return c;
    };
    const bool first = bytes.startsWith(FirstMagic);
    if (!first && !bytes.startsWith(Magic))
        return damaged(QStringLiteral("файл не похож на журнал"));
    qsizetype pos = Magic.size();
    bool headerRead = first;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 12) return damaged(QStringLiteral("файл обрывается"));
        quint32 length = 0;
        {
            QDataStream s(bytes.mid(pos, 4));
            s.setVersion(StreamVersion);
            s >> length;
        }
        if (length == 0 || length > MaxRecord || length > quint64(bytes.size() - pos - 12))
            return damaged(QStringLiteral("файл обрывается или повреждён"));
        const QByteArray payload = bytes.mid(pos + 12, length);
        if (digest(payload) != bytes.mid(pos + 4, 8))
            return damaged(QStringLiteral("запись журнала повреждена"));
        pos += 12 + length;
        const quint8 kind = quint8(payload[0]);
        if (!headerRead) {
            QDataStream s(payload);
            s.setVersion(StreamVersion);
            quint8 mark = 0;
            s >> mark >> c.database;
            if (mark != HeaderMark || s.status() != QDataStream::Ok)
                return damaged(QStringLiteral("заголовок журнала не читается"));
            headerRead = true;
            continue;
        }
        if (kind == EndMark) {
            QDataStream s(payload);
            s.setVersion(StreamVersion);
            quint8 mark = 0;
            quint32 count = 0;
            s >> mark >> count;
            if (count != c.rows.size())
                return damaged(QStringLiteral("число изменений не сходится"));
            if (pos != bytes.size())
                return damaged(QStringLiteral("после конца журнала есть лишние данные"));
            return c;
        }
        JournalRow r;
        if (!readRow(payload, kind, r))
            return damaged(QStringLiteral("запись журнала не читается"));
        c.rows.push_back(std::move(r));
    }
    return damaged(QStringLiteral("у журнала нет конца"));
}

bool TJournal::Exists() const {
    return QFileInfo::exists(path_) || QFileInfo(path_).isSymLink();
}

bool TJournal::Write(const std::vector<JournalRow>& rows, QString* error) {
    if (rows.empty()) {
        if (!QFileInfo::exists(path_) && !QFileInfo(path_).isSymLink()) return true;
        if (QFile::remove(path_)) return true;
        if (error) *error = QStringLiteral("не удалось удалить файл");
        return false;
    }
    return ReplaceFileSafely(path_, EncodeJournal(rows, database_), 0600, error);
}

JournalContents TJournal::Read() const {
    QByteArray bytes;
    QString why;
    JournalContents c;
    switch (ReadOwnFile(path_, MaxJournalBytes, &bytes, &why)) {
        case OwnFileRead::Missing:
            return c;
        case OwnFileRead::Read:
            c = DecodeJournal(bytes);
            if (database_.isEmpty() || c.database.isEmpty() || c.database == database_) return c;
            why = QStringLiteral("журнал записан для другой базы данных («%1»)").arg(c.database);
            break;
        case OwnFileRead::Refused:
        case OwnFileRead::TooLarge:
            break;
        case OwnFileRead::Failed:
            c.damaged = true;
            c.problem = QStringLiteral("файл не открывается: %1").arg(why);
            return c;
    }
    c.rows.clear();
    c.damaged = c.refused = true;
    c.problem = why;
    return c;
}

QString TJournal::SetAside() const {
    QString aside = path_ + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path_ + QStringLiteral(".damaged-%1").arg(n);
    return QFile::rename(path_, aside) ? aside : path_;
}

QString JournalPathFor(const QString& databasePath) {
    const QFileInfo info(databasePath);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".journal");
}

QString StateJournalPathFor(const QString& databasePath) {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QFileInfo(state).isAbsolute())
        state = QStandardPaths::writableLocation(QStandardPaths::HomeLocation) +
                QStringLiteral("/.local/state");
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(QFileInfo(databasePath).absoluteFilePath()),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return state + QStringLiteral("/quillet/") + QString::fromLatin1(hash) +
           QStringLiteral(".journal");
}
