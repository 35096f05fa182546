#include "vcard/VCardReader.h"

#include <QStringDecoder>
#include <utility>

#include "core/DateTime.h"
#include "core/Error.h"
#include "core/Win1251.h"

namespace {

struct Line {
    QByteArray text;
    int number = 0;
};

// The physical lines: CR LF, LF or CR ends one.
std::vector<Line> physicalLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype from = 0;
    int number = 1;
    if (bytes.startsWith("\xEF\xBB\xBF")) from = 3;  // a UTF-8 mark
    const qsizetype n = bytes.size();
    for (qsizetype i = from; i <= n; ++i) {
        if (i < n && bytes[i] != '\n' && bytes[i] != '\r') continue;
        lines.push_back({bytes.mid(from, i - from), number++});
        if (i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n') ++i;
        from = i + 1;
    }
    if (!lines.empty() && lines.back().text.isEmpty()) lines.pop_back();
    return lines;
}

bool isBlank(const QByteArray& line) {
    return line.trimmed().isEmpty();
}

// A part of a line for a message: at most 60 characters.
QString excerpt(const QByteArray& text) {
    QString s = QString::fromUtf8(text.left(240)).simplified();
    if (s.size() > 60) s = s.left(57) + QStringLiteral("...");
    return s;
}

[[noreturn]] void fail(int line, const QString& what) {
    throw EQuillet(QStringLiteral("Строка %1: %2").arg(line).arg(what));
}

struct Property {
    QByteArray name;                                        // upper case, without its group
    std::vector<std::pair<QByteArray, QByteArray>> params;  // names in upper case
    QByteArray value;
    int line = 0;

    QByteArray param(const char* key) const {
        for (const auto& [k, v] : params)
            if (k == key) return v;
        return {};
    }
};

// The index of the first `c` of `text` outside double quotes, -1 if none.
qsizetype findOutsideQuotes(const QByteArray& text, char c, qsizetype from = 0) {
    bool quoted = false;
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == c && !quoted)
            return i;
    }
    return -1;
}

// "NAME;PARAM=V;BARE:value" into its parts; the value stays as written.
Property splitProperty(const Line& line) {
    const qsizetype colon = findOutsideQuotes(line.text, ':');
    if (colon < 0)
        fail(line.number, QStringLiteral("нет двоеточия: «%1».").arg(excerpt(line.text)));
    Property p;
    p.line = line.number;
    p.value = line.text.mid(colon + 1);
    const QByteArray head = line.text.left(colon);
    qsizetype start = 0;
    bool first = true;
    while (start <= head.size()) {
        qsizetype end = findOutsideQuotes(head, ';', start);
        if (end < 0) end = head.size();
        const QByteArray part = head.mid(start, end - start).trimmed();
        start = end + 1;
        if (first) {
            first = false;
            const qsizetype dot = part.lastIndexOf('.');  // "item1.BDAY"
            p.name = part.mid(dot + 1).toUpper();
            continue;
        }
        if (part.isEmpty()) continue;
        const qsizetype eq = part.indexOf('=');
        if (eq >= 0) {
            QByteArray v = part.mid(eq + 1).trimmed();
            if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"')) v = v.mid(1, v.size() - 2);
            p.params.emplace_back(part.left(eq).trimmed().toUpper(), v);
            continue;
        }
        // Version 2.1 names some values alone: "QUOTED-PRINTABLE", "HOME".
        const QByteArray bare = part.toUpper();
        const bool encoding = bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "B" ||
                              bare == "8BIT" || bare == "7BIT";
        p.params.emplace_back(encoding ? QByteArray("ENCODING") : QByteArray("TYPE"), bare);
    }
    if (p.name.isEmpty())
        fail(line.number, QStringLiteral("нет имени свойства: «%1».").arg(excerpt(line.text)));
    return p;
}

bool isQuotedPrintable(const Property& p) {
    return p.param("ENCODING").toUpper() == "QUOTED-PRINTABLE";
}
bool isBase64(const Property& p) {
    const QByteArray e = p.param("ENCODING").toUpper();
    return e == "BASE64" || e == "B";
}

// The logical lines with their properties: folded lines joined, soft line
// breaks of quoted-printable values followed, the lines of a photo's data
// taken along.
std::vector<Property> properties(const std::vector<Line>& lines) {
    std::vector<Property> out;
    size_t i = 0;
    while (i < lines.size()) {
        if (isBlank(lines[i].text)) {
            ++i;
            continue;
        }
        Line logical = lines[i++];
        auto unfold = [&] {
            while (i < lines.size() && !lines[i].text.isEmpty() &&
                   (lines[i].text[0] == ' ' || lines[i].text[0] == '\t'))
                logical.text += lines[i++].text.mid(1);
        };
        unfold();
        Property p = splitProperty(logical);
        if (isQuotedPrintable(p)) {
            while (p.value.endsWith('=') && i < lines.size()) {
                p.value.chop(1);
                p.value += lines[i++].text;
            }
        } else if (isBase64(p)) {
            // Version 2.1 data may go on unindented, up to a blank line.
            while (i < lines.size() && !isBlank(lines[i].text) && !lines[i].text.contains(':'))
                ++i;
        }
        out.push_back(std::move(p));
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && hexDigit(in[i + 1]) >= 0 &&
            hexDigit(in[i + 2]) >= 0) {
            out += char(hexDigit(in[i + 1]) * 16 + hexDigit(in[i + 2]));
            i += 2;
        } else {
            out += in[i];
        }
    }
    return out;
}

// Bytes into text by the CHARSET given; without one UTF-8, or Windows-1251
// when the bytes are not UTF-8 (older Russian phones).
QString decodeText(const QByteArray& bytes, const QByteArray& charset) {
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? FromWin1251(bytes) : text;
}

// The fields of a structured value (split at unescaped ';'), each with
// its escapes resolved.
QStringList fields(const QString& value) {
    QStringList out{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar e = value[++i];
            out.back() += (e == u'n' || e == u'N') ? QChar(u'\n') : e;
        } else if (c == u';') {
            out << QString();
        } else {
            out.back() += c;
        }
    }
    return out;
}

QString textOf(const Property& p) {
    QByteArray raw = p.value;
    if (isQuotedPrintable(p)) raw = decodeQuotedPrintable(raw);
    return decodeText(raw, p.param("CHARSET"));
}

QString nameFromParts(const QStringList& n) {
    // Family;Given;Additional;Prefixes;Suffixes, read as "Given Family".
    const QStringList order{n.value(3), n.value(1), n.value(2), n.value(0), n.value(4)};
    QStringList kept;
    for (const QString& part : order)
        if (!part.trimmed().isEmpty()) kept << part.trimmed();
    return kept.join(u' ');
}

bool allDigits(const QString& s) {
    for (QChar c : s)
        if (!c.isDigit() || c.unicode() > 127) return false;
    return !s.isEmpty();
}

// A date of BDAY or ANNIVERSARY. None for a value that names no day of a
// year (a text, a year alone); the file fails on a date it cannot read.
std::optional<VCardDate> dateOf(const Property& p) {
    if (p.param("VALUE").toLower() == "text") return std::nullopt;
    QString v = textOf(p).trimmed();
    const qsizetype t = v.indexOf(u'T', 2);
    if (t >= 0) v.truncate(t);  // a time of day, which plays no part
    VCardDate d;
    QString digits = v;
    if (v.startsWith(QStringLiteral("--"))) {
        digits = v.mid(2).remove(u'-');
        if (digits.size() != 4 || !allDigits(digits)) {
            if (v.startsWith(QStringLiteral("---")) && allDigits(v.mid(3))) return std::nullopt;
            fail(p.line, QStringLiteral("непонятная дата «%1».").arg(excerpt(p.value)));
        }
        d.month = digits.left(2).toInt();
        d.day = digits.mid(2).toInt();
    } else {
        digits.remove(u'-');
        if (!allDigits(digits) || (digits.size() != 8 && digits.size() != 6 && digits.size() != 4))
            fail(p.line, QStringLiteral("непонятная дата «%1».").arg(excerpt(p.value)));
        if (digits.size() != 8) return std::nullopt;  // a year, or a year and month
        d.year = digits.left(4).toInt();
        d.month = digits.mid(4, 2).toInt();
        d.day = digits.mid(6, 2).toInt();
        const QByteArray omitted = p.param("X-APPLE-OMIT-YEAR");
        if (!omitted.isEmpty() && omitted.toInt() == d.year) d.year = 0;
    }
    // 2000 stands for any year: it has a 29 February.
    if ((d.year == 0 && !IsValidDate(2000, d.month, d.day)) ||
        (d.year != 0 && !IsValidDate(d.year, d.month, d.day)))
        fail(p.line, QStringLiteral("такого дня нет: «%1».").arg(excerpt(p.value)));
    return d;
}

bool isAnniversary(const QByteArray& name) {
    return name == "ANNIVERSARY" || name == "X-ANNIVERSARY" || name == "X-EVOLUTION-ANNIVERSARY" ||
           name == "X-MS-ANNIVERSARY" || name == "X-KADDRESSBOOK-X-ANNIVERSARY";
}

// One property of a contact that is open.
void take(VCardContact& c, const Property& p, QString& nameParts, QString& organisation) {
    if (p.name == "FN") {
        c.fullName = fields(textOf(p)).join(u';').trimmed();
    } else if (p.name == "N") {
        nameParts = nameFromParts(fields(textOf(p)));
    } else if (p.name == "ORG") {
        organisation = fields(textOf(p)).value(0).trimmed();
    } else if (p.name == "UID") {
        c.uid = textOf(p).trimmed();
    } else if (p.name == "BDAY") {
        if (!c.birthday) c.birthday = dateOf(p);
    } else if (isAnniversary(p.name)) {
        if (!c.anniversary) c.anniversary = dateOf(p);
    }
}

bool valueIs(const Property& p, const char* word) {
    return p.value.trimmed().compare(word, Qt::CaseInsensitive) == 0;
}

}  // namespace

std::vector<VCardContact> ReadVCards(const QByteArray& bytes) {
    std::vector<VCardContact> contacts;
    std::optional<VCardContact> open;
    QString nameParts, organisation;
    for (const Property& p : properties(physicalLines(bytes))) {
        if (p.name == "BEGIN" && valueIs(p, "VCARD")) {
            if (open)
                fail(
                    p.line,
                    QStringLiteral("новая карточка внутри карточки из строки %1.").arg(open->line));
            open = VCardContact{};
            open->line = p.line;
            nameParts.clear();
            organisation.clear();
            continue;
        }
        if (!open)
            fail(p.line, QStringLiteral("«%1» стоит вне карточки (BEGIN:VCARD ... END:VCARD).")
                             .arg(excerpt(p.name + ':' + p.value)));
        if (p.name == "END" && valueIs(p, "VCARD")) {
            if (open->fullName.isEmpty()) open->fullName = nameParts;
            if (open->fullName.isEmpty()) open->fullName = organisation;
            contacts.push_back(std::move(*open));
            open.reset();
            continue;
        }
        take(*open, p, nameParts, organisation);
    }
    if (open)
        fail(open->line, QStringLiteral("карточка, начатая здесь, не закончена (нет END:VCARD)."));
    return contacts;
}

bool LooksLikeVCard(const QByteArray& bytes) {
    for (const Line& line : physicalLines(bytes.left(4096))) {
        if (isBlank(line.text)) continue;
        return line.text.trimmed().toUpper().replace(' ', "") == "BEGIN:VCARD";
    }
    return false;
}
