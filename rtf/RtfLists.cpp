#include "rtf/RtfLists.h"

#include <algorithm>

namespace {

constexpr int MaxLists = 1000;
constexpr int MaxLevels = 9;

RtfNumbering numberingOfNfc(int nfc) {
    switch (nfc) {
        case 1:
            return RtfNumbering::UpperRoman;
        case 2:
            return RtfNumbering::LowerRoman;
        case 3:
            return RtfNumbering::UpperAlpha;
        case 4:
            return RtfNumbering::LowerAlpha;
        case 23:
            return RtfNumbering::Bullet;
        case 255:
            return RtfNumbering::None;
        default:
            return RtfNumbering::Decimal;
    }
}

// Word's marks (Symbol, Courier New "o", Wingdings) and their Unicode kin.
RtfNumbering bulletOfMark(char16_t mark) {
    switch (mark) {
        case 0x2022:
        case 0xF0B7:
        case 0x00B7:
        case 0x25CF:
            return RtfNumbering::Disc;
        case u'o':
        case 0x25E6:
        case 0x25CB:
        case 0xF06F:
            return RtfNumbering::Circle;
        case 0x25AA:
        case 0x25A0:
        case 0xF0A7:
        case 0xF0A8:
        case 0xF06E:
            return RtfNumbering::Square;
        default:
            return RtfNumbering::Bullet;
    }
}

quint64 keyOf(const RtfListRef& ref) {
    return (quint64(quint32(ref.ls)) << 16) | (quint64(ref.kind) << 8) | quint64(ref.level);
}

}  // namespace

void RtfListTable::BeginList() {
    if (int(lists_.size()) < MaxLists) lists_.emplace_back();
}

void RtfListTable::BeginLevel() {
    if (!lists_.empty() && lists_.back().levels.size() < MaxLevels)
        lists_.back().levels.emplace_back();
}

void RtfListTable::SetLevelNfc(int nfc) {
    if (!lists_.empty() && !lists_.back().levels.empty())
        lists_.back().levels.back().numbering = numberingOfNfc(nfc);
}

void RtfListTable::AddLevelText(QStringView text) {
    if (lists_.empty() || lists_.back().levels.empty()) return;
    Level& level = lists_.back().levels.back();
    for (QChar c : text) {
        if (level.mark || c == u';') return;
        if (c.unicode() >= 0x20) level.mark = c.unicode();  // after the length byte
    }
}

void RtfListTable::SetListId(int id) {
    if (lists_.empty()) return;
    lists_.back().id = id;
    listById_.insert(id, int(lists_.size()) - 1);
}

void RtfListTable::BeginOverride() {
    overrideHasId_ = overrideHasLs_ = false;
}

void RtfListTable::SetOverrideListId(int id) {
    overrideListId_ = id;
    overrideHasId_ = true;
    if (overrideHasLs_ && listOfLs_.size() < MaxLists) listOfLs_.insert(overrideLs_, id);
}

void RtfListTable::SetOverrideNumber(int ls) {
    overrideLs_ = ls;
    overrideHasLs_ = true;
    if (overrideHasId_ && listOfLs_.size() < MaxLists) listOfLs_.insert(ls, overrideListId_);
}

RtfNumbering RtfListTable::Numbering(int ls, int ilvl) const {
    const auto id = listOfLs_.constFind(ls);
    if (id == listOfLs_.constEnd()) return RtfNumbering::Bullet;
    const auto index = listById_.constFind(id.value());
    if (index == listById_.constEnd()) return RtfNumbering::Bullet;
    const std::vector<Level>& levels = lists_[index.value()].levels;
    if (levels.empty()) return RtfNumbering::Bullet;
    const Level& level = levels[std::clamp(ilvl, 0, int(levels.size()) - 1)];
    if (level.numbering != RtfNumbering::Bullet) return level.numbering;
    return bulletOfMark(level.mark);
}

QTextListFormat::Style ListStyleOf(RtfNumbering kind, int level) {
    switch (kind) {
        case RtfNumbering::Decimal:
            return QTextListFormat::ListDecimal;
        case RtfNumbering::UpperAlpha:
            return QTextListFormat::ListUpperAlpha;
        case RtfNumbering::LowerAlpha:
            return QTextListFormat::ListLowerAlpha;
        case RtfNumbering::UpperRoman:
            return QTextListFormat::ListUpperRoman;
        case RtfNumbering::LowerRoman:
            return QTextListFormat::ListLowerRoman;
        case RtfNumbering::Disc:
            return QTextListFormat::ListDisc;
        case RtfNumbering::Circle:
            return QTextListFormat::ListCircle;
        case RtfNumbering::Square:
            return QTextListFormat::ListSquare;
        default:
            break;
    }
    static const QTextListFormat::Style bullets[] = {
        QTextListFormat::ListDisc, QTextListFormat::ListCircle, QTextListFormat::ListSquare};
    return bullets[level % 3];
}

void RtfListTracker::Apply(QTextCursor& cursor, const RtfListRef& ref) {
    if (ref.kind == RtfNumbering::None) {
        // Rich-edit numbering starts again after a paragraph without it.
        // (Walking even an empty hash visits its buckets: not per paragraph.)
        if (lists_.isEmpty()) return;
        for (auto it = lists_.begin(); it != lists_.end();)
            it = (it.key() >> 16) == 0 ? lists_.erase(it) : std::next(it);
        return;
    }
    const int level = std::clamp(ref.level, 0, MaxLevels - 1);
    // Deeper levels of this list start anew under this item.
    for (auto it = lists_.begin(); it != lists_.end();) {
        const bool deeper =
            (it.key() >> 16) == quint64(quint32(ref.ls)) && int(it.key() & 0xFF) > level;
        it = deeper ? lists_.erase(it) : std::next(it);
    }
    if (lists_.size() >= 512) lists_.clear();  // only a made-up document has that many
    RtfListRef key = ref;
    key.level = level;
    QPointer<QTextList>& list = lists_[keyOf(key)];
    if (list) {
        list->add(cursor.block());
        return;
    }
    QTextListFormat format;
    format.setStyle(ListStyleOf(ref.kind, level));
    format.setIndent(level + 1);
    list = cursor.createList(format);
}
