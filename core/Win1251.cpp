#include "core/Win1251.h"

namespace {
// Unicode of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
const char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

}  // namespace

int Win1251Byte(char16_t u) {
    if (u < 0x80) return u;
    if (u >= 0x0410 && u <= 0x044F) return 0xC0 + (u - 0x0410);
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return -1;
}

QByteArray ToWin1251(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    out.truncate(WriteWin1251(text, out.data(), out.size()));
    return out;
}

qsizetype WriteWin1251(const QString& text, char* p, qsizetype room) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size() && n < room; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;  // one character outside the code page, written once
            p[n++] = '?';
            continue;
        }
        const int b = Win1251Byte(u);
        p[n++] = b < 0 ? '?' : char(b);
    }
    return n;
}

QString FromWin1251(const char* data, qsizetype size) {
    QString out(size, Qt::Uninitialized);
    QChar* q = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (b < 0x80)
            q[i] = QChar(b);
        else if (b >= 0xC0)
            q[i] = QChar(char16_t(0x0410 + (b - 0xC0)));
        else
            q[i] = QChar(kHigh[b - 0x80]);
    }
    return out;
}

bool IsWin1251Char(QChar c) {
    return Win1251Byte(c.unicode()) >= 0;
}

QString ThroughWin1251(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0x0410 && u <= 0x044F)) continue;  // ASCII and А..я: no look-up
        if (!IsWin1251Char(c)) return FromWin1251(ToWin1251(text));
    }
    return text;
}

namespace {

// The nearest letters of one character outside the code page, "?" when
// there are none.
QString nearestInWin1251(char32_t c) {
    switch (c) {
        case 0x2010:  // hyphens and the minus sign
        case 0x2011:
        case 0x2012:
        case 0x2043:
        case 0x2212:
            return QStringLiteral("-");
        case 0x2032:
            return QStringLiteral("'");
        case 0x2033:
            return QStringLiteral("\"");
        default:
            break;
    }
    const QString one = QString::fromUcs4(&c, 1);
    const QString parts = one.normalized(QString::NormalizationForm_KD);
    QString kept;
    for (QChar p : parts) {
        if (p.category() == QChar::Mark_NonSpacing) continue;  // accents
        if (!IsWin1251Char(p)) return QStringLiteral("?");
        kept += p;
    }
    return kept.isEmpty() ? QStringLiteral("?") : kept;
}

}  // namespace

QString FitWin1251(const QString& text, bool* changed) {
    bool replaced = false;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (IsWin1251Char(c)) {
            out += c;
            continue;
        }
        replaced = true;
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(c, text[++i]);
        out += nearestInWin1251(code);
    }
    if (changed) *changed = replaced;
    return out;
}
