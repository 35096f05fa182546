// The code pages of RTF text: which one a font's \fcharsetN names, and
// the decoding of \'hh bytes (and 8-bit text) into characters, double-byte
// code pages included.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <map>
#include <memory>

// The code page a \fcharsetN names; 0 when it names none (\fcharset1,
// the default, or an unknown set): the document's \ansicpg applies then.
int CodePageOfCharset(int charset);
bool IsDoubleByteCodePage(int codePage);

// Decodes bytes of one code page at a time. A lead byte of a double-byte
// code page waits for its trail byte, which may come in a later call.
class RtfByteDecoder {
  public:
    RtfByteDecoder();
    ~RtfByteDecoder();

    // An unknown or unsupported code page decodes as Windows-1252.
    void SetCodePage(int codePage);
    int CodePage() const { return codePage_; }
    bool DoubleByte() const { return doubleByte_; }

    // Appends the characters of the bytes to `out`.
    void Decode(const char* bytes, qsizetype size, QString& out);
    // A lead byte left without its trail is dropped as a '?'.
    void Flush(QString& out);

  private:
    QStringDecoder* DecoderFor(int codePage);
    bool IsLead(unsigned char b) const;

    int codePage_ = 1252;
    bool doubleByte_ = false;
    QStringDecoder* decoder_ = nullptr;  // null for Windows-1251
    std::map<int, std::unique_ptr<QStringDecoder>> decoders_;
    char lead_ = 0;
    bool hasLead_ = false;
};
