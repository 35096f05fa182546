// Lists of an RTF document: the list table with its overrides (\ls), the
// rich-edit numbering ({\*\pn ...}), and the QTextList each numbered
// paragraph joins.
#pragma once

#include <QHash>
#include <QPointer>
#include <QTextCursor>
#include <QTextList>
#include <functional>
#include <vector>

#include "rtf/RtfState.h"

// {\*\listtable ...} and {\*\listoverridetable ...} as they are read.
class RtfListTable {
  public:
    void BeginList();
    void BeginLevel();
    void SetLevelNfc(int nfc);               // \levelnfcN of the last level
    void AddLevelText(QStringView text);     // its \leveltext: a bullet's mark, the number's text
    void AddLevelNumbers(QStringView text);  // its \levelnumbers: where the numbers go
    void SetListId(int id);                  // \listidN of the list
    void BeginOverride();
    void SetOverrideListId(int id);
    void SetOverrideNumber(int ls);  // \lsN of the override

    // How level `ilvl` of the list that paragraphs call \lsN is numbered.
    // Bullets when the tables do not say; None for a level without numbers.
    RtfNumbering Numbering(int ls, int ilvl) const;
    // The number text of that level when it shows the numbers of levels
    // above it ("%1.%2." for "2.1."); empty otherwise.
    QString LevelText(int ls, int ilvl) const;

  private:
    struct Level {
        RtfNumbering numbering = RtfNumbering::Decimal;
        char16_t mark = 0;  // the first character of its text
        QString text;       // \leveltext, its length first
        QString numbers;    // \levelnumbers: places in `text` of the numbers
        bool textEnded = false, numbersEnded = false;
    };
    const Level* LevelOf(int ls, int ilvl) const;
    struct List {
        int id = 0;
        std::vector<Level> levels;
    };
    std::vector<List> lists_;
    QHash<int, int> listById_;  // \listid -> index in lists_
    QHash<int, int> listOfLs_;  // \ls -> \listid
    int overrideListId_ = 0, overrideLs_ = 0;
    bool overrideHasId_ = false, overrideHasLs_ = false;
};

// Which list a paragraph belongs to.
struct RtfListRef {
    RtfNumbering kind = RtfNumbering::None;
    int level = 0;      // 0 for the outermost
    int ls = 0;         // \lsN; 0 for rich-edit numbering
    QString levelText;  // as RtfListTable::LevelText says
};

// Joins paragraphs to QTextLists: paragraphs of one \ls and level share a
// list wherever they are (its numbers go on); a higher level starts anew
// under each item of a lower one. Rich-edit numbering goes on only while
// numbered paragraphs follow each other.
class RtfListTracker {
  public:
    // Puts the cursor's block into the list `ref` names (none: no list).
    void Apply(QTextCursor& cursor, const RtfListRef& ref);

  private:
    QHash<quint64, QPointer<QTextList>> lists_;
};

QTextListFormat::Style ListStyleOf(RtfNumbering kind, int level);

// The parts of a level's number text ("%1.%2.") before and after the
// level's own number (0 for "%1"); the numbers of the levels above it are
// filled in by `numberOf`, those of deeper ones left out.
void SplitLevelText(const QString& text, int level, const std::function<QString(int)>& numberOf,
                    QString& prefix, QString& suffix);
