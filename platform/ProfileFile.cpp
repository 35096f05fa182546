#include "platform/ProfileFile.h"
#include "core/Error.h"
#include "core/Formats.h"
#include "core/SafeFile.h"
#include "core/Win1251.h"

#include <QFile>
#include <limits>
#include <vector>

namespace ProfileFile {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

// Only ASCII blanks count: a no-break space (0xA0 in Windows-1251) belongs
// to the text.
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// A value enclosed in a matching pair of quotes is read without them.
QString stripQuotes(const QString& s) {
    if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front())
        return s.mid(1, s.size() - 2);
    return s;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    qsizetype begin = 0;  // offset of the line's first byte
    qsizetype end = 0;    // offset after its text, the line break excluded
    qsizetype next = 0;   // offset of the next line; equals `end` at an unbroken end
    LineKind kind = LineKind::Other;
    QString name;   // section or key name, trimmed
    QString value;  // for a key: the text after '=', as it stands
};

Line classify(const QByteArray& data, qsizetype begin, qsizetype end, qsizetype next) {
    Line line;
    line.begin = begin;
    line.end = end;
    line.next = next;
    const QString text = trimBlanks(FromWin1251(data.constData() + begin, end - begin));
    if (text.isEmpty()) {
        line.kind = LineKind::Blank;
    } else if (text.front() == u';') {
        line.kind = LineKind::Comment;
    } else if (text.front() == u'[' && text.indexOf(u']') > 0) {
        line.kind = LineKind::Section;
        line.name = trimBlanks(text.mid(1, text.indexOf(u']') - 1));
    } else if (const qsizetype eq = text.indexOf(u'='); eq >= 0) {
        line.kind = LineKind::Key;
        line.name = trimBlanks(text.left(eq));
        line.value = text.mid(eq + 1);
    }
    return line;
}

// Lines end with LF or CRLF; the last one may have no break.
std::vector<Line> splitLines(const QByteArray& data) {
    std::vector<Line> lines;
    qsizetype begin = 0;
    while (begin < data.size()) {
        qsizetype lf = data.indexOf('\n', begin);
        qsizetype end, next;
        if (lf < 0) {
            end = next = data.size();
        } else {
            next = lf + 1;
            end = lf > begin && data[lf - 1] == '\r' ? lf - 1 : lf;
        }
        lines.push_back(classify(data, begin, end, next));
        begin = next;
    }
    return lines;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands in the file, or would go.
struct Place {
    qsizetype section = -1;  // the section's header line
    qsizetype key = -1;      // the key's line
    qsizetype last = -1;     // the section's last non-blank line
};

Place locate(const std::vector<Line>& lines, const QString& section, const QString& key) {
    Place p;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const Line& line = lines[i];
        if (p.section < 0) {
            if (line.kind == LineKind::Section && sameName(line.name, section))
                p.section = p.last = i;
            continue;
        }
        if (line.kind == LineKind::Section) break;
        if (line.kind != LineKind::Blank) p.last = i;
        if (line.kind == LineKind::Key && sameName(line.name, key)) {
            p.key = i;
            break;
        }
    }
    return p;
}

// Names are looked up as the file can hold them.
QString fileName(const QString& name) {
    return ThroughWin1251(trimBlanks(name));
}

bool readFile(const QString& path, QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    data = f.readAll();
    return f.error() == QFileDevice::NoError;
}

bool readValue(const QString& path, const QString& section, const QString& key, QString& value) {
    QByteArray data;
    if (!readFile(path, data)) return false;
    const std::vector<Line> lines = splitLines(data);
    const Place p = locate(lines, fileName(section), fileName(key));
    if (p.key < 0) return false;
    value = stripQuotes(trimBlanks(lines[p.key].value));
    return true;
}

[[noreturn]] void refused(const QString& path) {
    throw EQuillet(QStringLiteral("Unable to write to %1").arg(path));
}

bool endsWithBreak(const QByteArray& data) {
    return data.endsWith('\n');
}

void writeValue(const QString& path, const QString& section, const QString& key,
                const QString& value) {
    QByteArray data;
    // A file that is there but cannot be read must not be replaced by one
    // that lacks its content.
    if (QFile::exists(path) && !readFile(path, data)) refused(path);

    const QString sectionName = fileName(section);
    const QString keyName = fileName(key);
    // A line break in the value would split it; it is written as a blank.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray valueBytes = ToWin1251(flat);

    const std::vector<Line> lines = splitLines(data);
    const Place p = locate(lines, sectionName, keyName);
    QByteArray out;
    if (p.key >= 0) {
        // In place, under the spelling the file already has.
        const Line& line = lines[p.key];
        out = data.left(line.begin) + ToWin1251(line.name) + '=' + valueBytes + "\r\n" +
              data.mid(line.next);
    } else if (p.section >= 0) {
        // At the end of the section, before any blank lines that part it
        // from the next one.
        const Line& line = lines[p.last];
        out = data.left(line.next);
        if (line.next == line.end) out += "\r\n";
        out += ToWin1251(keyName) + '=' + valueBytes + "\r\n" + data.mid(line.next);
    } else {
        out = data;
        if (!out.isEmpty()) {
            if (!endsWithBreak(out)) out += "\r\n";
            if (lines.back().kind != LineKind::Blank) out += "\r\n";
        }
        out +=
            '[' + ToWin1251(sectionName) + "]\r\n" + ToWin1251(keyName) + '=' + valueBytes + "\r\n";
    }

    // The new content goes to a temporary file beside the old one, synced to
    // disk and then renamed over it; the old file's permissions are kept. A
    // link or another user's file under the name is refused.
    if (!ReplaceFileSafely(path, out, 0644)) refused(path);
}

int hexDigit(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

bool tryParseInt(const QString& text, int& result) {
    qsizetype i = 0;
    int base = 10;
    bool negative = false;
    if (text.size() >= 3 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        i = 2;
    } else if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i >= text.size()) return false;
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0 || d >= base) return false;
        v = v * base + d;
        if (v > limit) return false;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int>::max()) return false;
    result = int(v);
    return true;
}

}  // namespace

QString ReadString(const QString& path, const QString& section, const QString& key,
                   const QString& def) {
    QString value;
    return readValue(path, section, key, value) ? value : def;
}

void WriteString(const QString& path, const QString& section, const QString& key,
                 const QString& value) {
    writeValue(path, section, key, value);
}

int ReadInteger(const QString& path, const QString& section, const QString& key, int def) {
    QString text;
    int value;
    if (readValue(path, section, key, text) && tryParseInt(text, value)) return value;
    return def;
}

void WriteInteger(const QString& path, const QString& section, const QString& key, int value) {
    writeValue(path, section, key, QString::number(value));
}

bool ReadBool(const QString& path, const QString& section, const QString& key, bool def) {
    QString text;
    int value;
    if (readValue(path, section, key, text) && tryParseInt(text, value)) return value != 0;
    return def;
}

void WriteBool(const QString& path, const QString& section, const QString& key, bool value) {
    writeValue(path, section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

TDateTime ReadTime(const QString& path, const QString& section, const QString& key, TDateTime def) {
    QString text;
    TDateTime value;
    if (readValue(path, section, key, text) && !text.isEmpty() && TryStrToTime(text, value))
        return value;
    return def;
}

void WriteTime(const QString& path, const QString& section, const QString& key, TDateTime value) {
    writeValue(path, section, key, FormatLongTime(value));
}

}  // namespace ProfileFile
