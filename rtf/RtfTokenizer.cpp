#include "rtf/RtfTokenizer.h"

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Bytes that end a run of plain text.
constexpr bool isSpecial(unsigned char c) {
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n';
}

}  // namespace

int RtfTokenizer::SkipHexBytes(int count) {
    int skipped = 0;
    while (skipped < count && end_ - p_ >= 4 && p_[0] == '\\' && p_[1] == '\'' &&
           RtfHexValue(p_[2]) >= 0 && RtfHexValue(p_[3]) >= 0) {
        p_ += 4;
        ++skipped;
    }
    return skipped;
}

bool RtfTokenizer::NextUnicode(int32_t& value) {
    if (end_ - p_ < 3 || p_[0] != '\\' || p_[1] != 'u') return false;
    if (!isDigit(p_[2]) && !(p_[2] == '-' && end_ - p_ > 3 && isDigit(p_[3]))) return false;
    ++p_;
    RtfToken t;
    ReadWord(t);
    value = t.param;
    return true;
}

void RtfTokenizer::ReadWord(RtfToken& t) {
    // On a copy of p_: a store into `t` could otherwise be taken to change it.
    const char* p = p_;
    const char* const start = p;
    while (p < end_ && isLetter(*p))
        ++p;
    t.kind = RtfToken::Word;
    t.text = std::string_view(start, std::size_t(p - start));
    bool negative = false;
    if (p < end_ && *p == '-' && p + 1 < end_ && isDigit(p[1])) {
        negative = true;
        ++p;
    }
    if (p < end_ && isDigit(*p)) {
        int64_t v = 0;
        while (p < end_ && isDigit(*p)) {
            if (v <= INT32_MAX) v = v * 10 + (*p - '0');  // beyond: saturated below
            ++p;
        }
        if (negative) v = -v;
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        t.hasParam = true;
        t.param = int32_t(v);
    }
    if (p < end_ && *p == ' ') ++p;  // the delimiting space belongs to the word
    p_ = p;
}

RtfToken RtfTokenizer::Next() {
    RtfToken t;
    for (;;) {
        while (p_ < end_ && (*p_ == '\r' || *p_ == '\n'))
            ++p_;
        if (p_ >= end_) return t;
        const char c = *p_;
        if (c == '{' || c == '}') {
            ++p_;
            t.kind = c == '{' ? RtfToken::GroupOpen : RtfToken::GroupClose;
            return t;
        }
        if (c != '\\') {
            const char* start = p_;
            while (p_ < end_ && !isSpecial(static_cast<unsigned char>(*p_)))
                ++p_;
            t.kind = RtfToken::Text;
            t.text = std::string_view(start, std::size_t(p_ - start));
            return t;
        }
        ++p_;  // the backslash
        if (p_ >= end_) return t;
        if (isLetter(*p_)) {
            ReadWord(t);
            return t;
        }
        const char s = *p_++;
        if (s != '\'') {
            t.kind = RtfToken::Symbol;
            t.symbol = (s == '\r') ? '\n' : s;
            return t;
        }
        int v = 0, digits = 0;
        while (digits < 2 && p_ < end_ && RtfHexValue(*p_) >= 0) {
            v = v * 16 + RtfHexValue(*p_++);
            ++digits;
        }
        if (digits > 0) {
            t.kind = RtfToken::HexByte;
            t.byte = uint8_t(v);
            return t;
        }
        // A lone \' stands for nothing: go on with what follows.
    }
}

std::string_view RtfTokenizer::Binary(int64_t count) {
    if (count < 0) count = 0;
    const int64_t left = end_ - p_;
    if (count > left) count = left;
    std::string_view out(p_, std::size_t(count));
    p_ += count;
    return out;
}

bool RtfTokenizer::SkipGroup() {
    int depth = 1;
    while (p_ < end_) {
        // Jump to the next byte that matters.
        const char* q = p_;
        while (q < end_ && *q != '{' && *q != '}' && *q != '\\')
            ++q;
        p_ = q;
        if (p_ >= end_) break;
        const char c = *p_++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) return true;
        } else if (p_ < end_) {
            if (isLetter(*p_)) {
                RtfToken w;
                ReadWord(w);
                if (w.text == "bin" && w.hasParam) Binary(w.param);
            } else {
                ++p_;  // an escaped brace or backslash counts for nothing
            }
        }
    }
    return false;
}
