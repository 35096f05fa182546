// Splits the bytes of an RTF document into its tokens: group braces,
// control words with their numeric parameter, control symbols, runs of
// plain text, \'hh bytes and the raw data after \binN.
//
// It never reads past the end: a document cut anywhere simply ends, and
// numbers too large for 32 bits saturate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct RtfToken {
    enum Kind : uint8_t { End, GroupOpen, GroupClose, Word, Symbol, Text, HexByte };
    Kind kind = End;
    bool hasParam = false;
    int32_t param = 0;
    std::string_view text;  // a Word's name or a Text run
    char symbol = 0;        // a Symbol's character; '\n' for a backslash before a line end
    uint8_t byte = 0;       // a HexByte's value
};

// The value of a hexadecimal digit, -1 for any other character.
constexpr int RtfHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class RtfTokenizer {
  public:
    RtfTokenizer(const char* data, std::size_t size) : p_(data), end_(data + size) {}

    RtfToken Next();
    // The `count` bytes after \binN (fewer when the document ends first).
    std::string_view Binary(int64_t count);
    // Skips the rest of the group whose opening brace was the last one
    // read, its closing brace included. False when the document ends first.
    bool SkipGroup();
    bool AtEnd() const { return p_ >= end_; }
    // Skips up to `count` \'hh bytes that follow at once (the stand-ins
    // after \uN); how many.
    int SkipHexBytes(int count);
    // Reads \uN when it comes next (N a number, as ReadWord reads it).
    bool NextUnicode(int32_t& value);

  private:
    void ReadWord(RtfToken& t);

    const char* p_;
    const char* end_;
};
