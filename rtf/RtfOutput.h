// The writer's output: RTF control words, escaped text, and the font,
// colour and list tables collected while the body is written.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QTextListFormat>
#include <array>
#include <vector>

class RtfOutput {
  public:
    explicit RtfOutput(QByteArray& out) : out_(out) {}

    void Raw(const char* text) { out_ += text; }
    void Raw(char c) { out_ += c; }
    // \word, \wordN; `space` adds the delimiting space.
    void Word(const char* word) { out_ += '\\', out_ += word; }
    void Word(const char* word, qint64 n);
    void Delimit() { out_ += ' '; }
    // Text with the RTF specials escaped and every non-ASCII character as
    // \uN\'hh.
    void Text(QStringView text);
    void Hex(const QByteArray& data);  // two digits a byte, lines of 128
    QByteArray& Bytes() { return out_; }

  private:
    QByteArray& out_;
};

// The fonts and colours a document uses, in the order first met.
class RtfResources {
  public:
    explicit RtfResources(const QString& defaultFamily);
    int Font(const QString& family);  // \fN of a family
    int Color(QRgb rgb);              // \cfN of a colour (0 is automatic)
    void WriteFontTable(RtfOutput& out) const;
    void WriteColorTable(RtfOutput& out) const;

  private:
    QStringList fonts_;
    QHash<QString, int> fontIndex_;
    std::vector<QRgb> colors_;
    QHash<QRgb, int> colorIndex_;
};

// The list table and its overrides: one list (\lsN) for each QTextList,
// or for the QTextLists of the levels of one list as it was read.
struct RtfWrittenLevel {
    bool set = false;
    QTextListFormat::Style style = QTextListFormat::ListDisc;
    QString text;  // "%1.%2.": the number text with the levels above; empty: the level's own
};
struct RtfWrittenList {
    QTextListFormat::Style style;  // of the levels not set
    std::array<RtfWrittenLevel, 9> levels{};
};
void WriteListTables(RtfOutput& out, const std::vector<RtfWrittenList>& lists);
// The mark of a bullet list style, as RTF.
const char* BulletMark(QTextListFormat::Style style);
// The \levelnfcN of a list style.
int NfcOfStyle(QTextListFormat::Style style);
