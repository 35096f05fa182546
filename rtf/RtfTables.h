// The font table and the colour table of an RTF document, as the reader
// collects them from {\fonttbl ...} and {\colortbl ...}.
#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringView>
#include <vector>

struct RtfFont {
    int codePage = 0;  // 0: the document's code page
    QString family;
};

class RtfFontTable {
  public:
    void Begin(int number);  // \fN starts an entry
    void SetCharset(int charset);
    void SetCodePage(int codePage);
    // Text of the entry: its name, up to the ';' that ends it.
    void AddText(QStringView text);
    void End();  // the entry's group closes
    const RtfFont* Find(int number) const;
    // The code page of the entry being read (its name is in it).
    int PendingCodePage() const { return open_ ? pending_.codePage : 0; }

  private:
    QHash<int, RtfFont> fonts_;
    RtfFont pending_;
    int number_ = 0;
    bool open_ = false;
    bool named_ = false;
};

class RtfColorTable {
  public:
    void SetRed(int v) { SetPart(red_, v); }
    void SetGreen(int v) { SetPart(green_, v); }
    void SetBlue(int v) { SetPart(blue_, v); }
    // Text of the table: each ';' ends an entry; one with no parts is the
    // automatic colour.
    void AddText(QStringView text);
    // The colour of an index; invalid for the automatic colour or an index
    // beyond the table.
    QColor At(int index) const;

  private:
    void SetPart(int& part, int v);

    std::vector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool any_ = false;
};
