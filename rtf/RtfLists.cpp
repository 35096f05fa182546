#include "rtf/RtfLists.h"

#include <algorithm>

#include "rtf/RtfProperties.h"

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
        if (level.textEnded) return;
        if (c == u';' || level.text.size() > 64) {
            level.textEnded = true;
            return;
        }
        level.text += c;
        if (!level.mark && c.unicode() >= 0x20) level.mark = c.unicode();  // after the length byte
    }
}

void RtfListTable::AddLevelNumbers(QStringView text) {
    if (lists_.empty() || lists_.back().levels.empty()) return;
    Level& level = lists_.back().levels.back();
    for (QChar c : text) {
        if (level.numbersEnded) return;
        if (c == u';' || level.numbers.size() > 9) {
            level.numbersEnded = true;
            return;
        }
        level.numbers += c;
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

const RtfListTable::Level* RtfListTable::LevelOf(int ls, int ilvl) const {
    const auto id = listOfLs_.constFind(ls);
    if (id == listOfLs_.constEnd()) return nullptr;
    const auto index = listById_.constFind(id.value());
    if (index == listById_.constEnd()) return nullptr;
    const std::vector<Level>& levels = lists_[index.value()].levels;
    if (levels.empty()) return nullptr;
    return &levels[std::clamp(ilvl, 0, int(levels.size()) - 1)];
}

RtfNumbering RtfListTable::Numbering(int ls, int ilvl) const {
    const Level* level = LevelOf(ls, ilvl);
    if (!level) return RtfNumbering::Bullet;
    if (level->numbering != RtfNumbering::Bullet) return level->numbering;
    return bulletOfMark(level->mark);
}

QString RtfListTable::LevelText(int ls, int ilvl) const {
    const Level* level = LevelOf(ls, ilvl);
    if (!level || level->text.isEmpty() || level->numbers.size() < 2) return {};
    // The first character is the text's length; each number is the
    // character, 0 to 8, of the level it stands for.
    const qsizetype length = std::min<qsizetype>(level->text[0].unicode(), level->text.size() - 1);
    QString out;
    for (qsizetype i = 1; i <= length; ++i) {
        const QChar c = level->text[i];
        if (level->numbers.contains(QChar(char16_t(i))) && c.unicode() < MaxLevels)
            out += u'%' + QString::number(c.unicode() + 1);
        else if (c == u'%')
            out += QStringLiteral("%%");
        else
            out += c;
    }
    return out;
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
    if (ref.ls > 0) format.setProperty(RtfProperty::ListGroup, ref.ls);
    if (!ref.levelText.isEmpty()) {
        // "2.1.": the numbers of the items above, as they are now.
        format.setProperty(RtfProperty::LevelText, ref.levelText);
        const auto numberOf = [this, &ref](int above) {
            for (auto it = lists_.cbegin(); it != lists_.cend(); ++it) {
                const QTextList* l = it.value();
                if ((it.key() >> 16) != quint64(quint32(ref.ls)) || int(it.key() & 0xFF) != above ||
                    !l || l->count() == 0)
                    continue;
                QString text = l->itemText(l->item(l->count() - 1));
                const QTextListFormat f = l->format();
                if (text.startsWith(f.numberPrefix())) text.remove(0, f.numberPrefix().size());
                const QString suffix = f.hasProperty(QTextFormat::ListNumberSuffix)
                                           ? f.numberSuffix()
                                           : QStringLiteral(".");  // Qt's own
                if (text.endsWith(suffix)) text.chop(suffix.size());
                return text;
            }
            return QString();
        };
        QString prefix, suffix;
        SplitLevelText(ref.levelText, level, numberOf, prefix, suffix);
        format.setNumberPrefix(prefix);
        format.setNumberSuffix(suffix);
    }
    list = cursor.createList(format);
}

void SplitLevelText(const QString& text, int level, const std::function<QString(int)>& numberOf,
                    QString& prefix, QString& suffix) {
    prefix.clear();
    suffix.clear();
    QString* out = &prefix;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%' || i + 1 >= text.size()) {
            *out += text[i];
            continue;
        }
        const QChar next = text[++i];
        if (next == u'%') {
            *out += next;
        } else if (next.isDigit()) {
            const int k = next.digitValue() - 1;
            if (k == level)
                out = &suffix;
            else if (k >= 0 && k < level)
                *out += numberOf(k);
        }
    }
}
