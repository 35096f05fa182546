#include "rtf/RtfOutput.h"

#include "core/Win1251.h"

namespace {

const char kHexDigits[] = "0123456789abcdef";

}  // namespace

void RtfOutput::Word(const char* word, qint64 n) {
    out_ += '\\';
    out_ += word;
    char buf[24];
    int len = 0;
    const bool negative = n < 0;
    quint64 v = negative ? quint64(-(n + 1)) + 1 : quint64(n);
    do {
        buf[len++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (negative) out_ += '-';
    while (len)
        out_ += buf[--len];
}

void RtfOutput::Text(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            if (c == u'\\' || c == u'{' || c == u'}') {
                out_ += '\\';
                out_ += char(c);
            } else if (c == u'\t') {
                out_ += "\\tab ";
            } else if (c >= 0x20) {
                out_ += char(c);
            }
            continue;
        }
        if (c == 0x2028 || c == 0x2029) {
            out_ += "\\line ";
            continue;
        }
        if (c == 0xFFFC) continue;  // an object (picture) is written by itself
        // \u takes a signed 16-bit number; each half of a pair goes alone,
        // and the byte after it is what a reader without Unicode shows.
        Word("u", c > 0x7FFF ? qint64(c) - 0x10000 : qint64(c));
        const int b = Win1251Byte(c);
        const unsigned char stand = b < 0 ? '?' : static_cast<unsigned char>(b);
        out_ += "\\'";
        out_ += kHexDigits[stand >> 4];
        out_ += kHexDigits[stand & 15];
    }
}

void RtfOutput::Hex(const QByteArray& data) {
    const qsizetype start = out_.size();
    out_.reserve(start + data.size() * 2 + data.size() / 64 + 2);
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i % 64 == 0) out_ += '\n';
        const unsigned char b = static_cast<unsigned char>(data[i]);
        out_ += kHexDigits[b >> 4];
        out_ += kHexDigits[b & 15];
    }
    out_ += '\n';
}

RtfResources::RtfResources(const QString& defaultFamily) {
    Font(defaultFamily);
    colors_.push_back(0);  // the automatic colour, never referred to
}

int RtfResources::Font(const QString& family) {
    const auto it = fontIndex_.constFind(family);
    if (it != fontIndex_.constEnd()) return it.value();
    fonts_ << family;
    fontIndex_.insert(family, int(fonts_.size()) - 1);
    return int(fonts_.size()) - 1;
}

int RtfResources::Color(QRgb rgb) {
    rgb = qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
    const auto it = colorIndex_.constFind(rgb);
    if (it != colorIndex_.constEnd()) return it.value();
    colors_.push_back(rgb);
    colorIndex_.insert(rgb, int(colors_.size()) - 1);
    return int(colors_.size()) - 1;
}

void RtfResources::WriteFontTable(RtfOutput& out) const {
    out.Raw("{\\fonttbl");
    for (int i = 0; i < fonts_.size(); ++i) {
        out.Raw('{');
        out.Word("f", i);
        out.Word("fnil");
        out.Word("fcharset", 204);
        out.Delimit();
        QString name = fonts_[i];
        name.remove(u';');
        out.Text(name);
        out.Raw(";}");
    }
    out.Raw("}\n");
}

void RtfResources::WriteColorTable(RtfOutput& out) const {
    out.Raw("{\\colortbl;");
    for (std::size_t i = 1; i < colors_.size(); ++i) {
        out.Word("red", qRed(colors_[i]));
        out.Word("green", qGreen(colors_[i]));
        out.Word("blue", qBlue(colors_[i]));
        out.Raw(';');
    }
    out.Raw("}\n");
}

int NfcOfStyle(QTextListFormat::Style style) {
    switch (style) {
        case QTextListFormat::ListDecimal:
            return 0;
        case QTextListFormat::ListUpperRoman:
            return 1;
        case QTextListFormat::ListLowerRoman:
            return 2;
        case QTextListFormat::ListUpperAlpha:
            return 3;
        case QTextListFormat::ListLowerAlpha:
            return 4;
        default:
            return 23;  // bullets
    }
}

const char* BulletMark(QTextListFormat::Style style) {
    switch (style) {
        case QTextListFormat::ListCircle:
            return "o";
        case QTextListFormat::ListSquare:
            return "\\u9642\\'3f";
        default:
            return "\\u8226\\'95";
    }
}

namespace {

// {\leveltext ...}{\levelnumbers ...} of a number text: "%1.%2." is the
// number of level 0, '.', that of level 1, '.'.
void WriteLevelText(RtfOutput& out, const QString& text) {
    QString chars;
    QByteArray numbers;
    for (qsizetype i = 0; i < text.size() && chars.size() < 60; ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1].isDigit() &&
            text[i + 1] != u'0') {
            numbers += "\\'" + QByteArray::number(chars.size() + 1, 16).rightJustified(2, '0');
            chars += QChar(char16_t(text[++i].digitValue() - 1));
            continue;
        }
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] == u'%') ++i;
        chars += text[i];
    }
    out.Raw("{\\leveltext\\'");
    out.Bytes() += QByteArray::number(chars.size(), 16).rightJustified(2, '0');
    for (const QChar c : chars) {
        if (c.unicode() < 9) {
            out.Raw("\\'0");
            out.Raw(char('0' + c.unicode()));
        } else {
            out.Text(QStringView(&c, 1));
        }
    }
    out.Raw(";}{\\levelnumbers");
    out.Bytes() += numbers;
    out.Raw(";}");
}

}  // namespace

void WriteListTables(RtfOutput& out, const std::vector<RtfWrittenList>& lists) {
    if (lists.empty()) return;
    out.Raw("{\\*\\listtable");
    for (std::size_t i = 0; i < lists.size(); ++i) {
        out.Raw("\n{\\list");
        out.Word("listtemplateid", qint64(i) + 1);
        for (int level = 0; level < 9; ++level) {
            const RtfWrittenLevel& l = lists[i].levels[level];
            const QTextListFormat::Style style = l.set ? l.style : lists[i].style;
            const int nfc = NfcOfStyle(style);
            out.Raw("{\\listlevel");
            out.Word("levelnfc", nfc);
            out.Word("levelnfcn", nfc);
            out.Raw("\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1");
            if (nfc == 23) {
                out.Raw("{\\leveltext\\'01");
                out.Raw(BulletMark(style));
                out.Raw(";}{\\levelnumbers;}");
            } else {
                WriteLevelText(
                    out, l.text.isEmpty() ? u'%' + QString::number(level + 1) + u'.' : l.text);
            }
            out.Word("fi", -360);
            out.Word("li", 720 + 360 * level);
            out.Raw('}');
        }
        out.Raw("{\\listname ;}");
        out.Word("listid", qint64(i) + 1);
        out.Raw('}');
    }
    out.Raw("}\n{\\*\\listoverridetable");
    for (std::size_t i = 0; i < lists.size(); ++i) {
        out.Raw("{\\listoverride");
        out.Word("listid", qint64(i) + 1);
        out.Raw("\\listoverridecount0");
        out.Word("ls", qint64(i) + 1);
        out.Raw('}');
    }
    out.Raw("}\n");
}
