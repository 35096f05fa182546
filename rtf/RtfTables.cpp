#include "rtf/RtfTables.h"

#include <algorithm>

#include "rtf/RtfCodePage.h"

namespace {
// Limits against documents that would fill memory with table entries.
constexpr int MaxFonts = 4096;
constexpr int MaxColors = 4096;
constexpr int MaxNameLength = 200;
}  // namespace

void RtfFontTable::Begin(int number) {
    if (open_) End();
    open_ = true;
    named_ = false;
    number_ = number;
    pending_ = RtfFont{};
}

void RtfFontTable::SetCharset(int charset) {
    if (open_) pending_.codePage = CodePageOfCharset(charset);
}

void RtfFontTable::SetCodePage(int codePage) {
    if (open_ && codePage > 0) pending_.codePage = codePage;
}

void RtfFontTable::AddText(QStringView text) {
    if (!open_ || named_) return;
    const qsizetype semi = text.indexOf(u';');
    const QStringView part = semi < 0 ? text : text.left(semi);
    if (pending_.family.size() < MaxNameLength)
        pending_.family += part.left(MaxNameLength - pending_.family.size());
    if (semi >= 0) named_ = true;
}

void RtfFontTable::End() {
    if (!open_) return;
    open_ = false;
    pending_.family = pending_.family.trimmed();
    if (fonts_.size() < MaxFonts || fonts_.contains(number_)) fonts_.insert(number_, pending_);
}

const RtfFont* RtfFontTable::Find(int number) const {
    const auto it = fonts_.constFind(number);
    return it == fonts_.constEnd() ? nullptr : &it.value();
}

void RtfColorTable::SetPart(int& part, int v) {
    part = std::clamp(v, 0, 255);
    any_ = true;
}

void RtfColorTable::AddText(QStringView text) {
    for (QChar c : text) {
        if (c != u';') continue;
        if (int(colors_.size()) < MaxColors)
            colors_.push_back(any_ ? QColor(red_, green_, blue_) : QColor());
        red_ = green_ = blue_ = 0;
        any_ = false;
    }
}

QColor RtfColorTable::At(int index) const {
    if (index < 0 || index >= int(colors_.size())) return {};
    return colors_[index];
}
