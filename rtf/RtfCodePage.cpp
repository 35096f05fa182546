#include "rtf/RtfCodePage.h"

#include "core/Win1251.h"

int CodePageOfCharset(int charset) {
    switch (charset) {
        case 0:
            return 1252;  // ANSI
        case 2:
            return 1252;  // symbol fonts: their bytes as they come
        case 77:
            return 10000;  // Mac Roman
        case 128:
            return 932;  // Shift JIS
        case 129:
            return 949;  // Hangul
        case 134:
            return 936;  // GB 2312 / GBK
        case 136:
            return 950;  // Big5
        case 161:
            return 1253;  // Greek
        case 162:
            return 1254;  // Turkish
        case 163:
            return 1258;  // Vietnamese
        case 177:
            return 1255;  // Hebrew
        case 178:
            return 1256;  // Arabic
        case 186:
            return 1257;  // Baltic
        case 204:
            return 1251;  // Cyrillic
        case 222:
            return 874;  // Thai
        case 238:
            return 1250;  // Eastern European
        case 254:
            return 437;  // PC 437
        case 255:
            return 850;  // OEM
        default:
            return 0;
    }
}

bool IsDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

RtfByteDecoder::RtfByteDecoder() {
    SetCodePage(1252);
}
RtfByteDecoder::~RtfByteDecoder() = default;

// The code pages documents name that the reader knows; any other number
// reads as Windows-1252 (and no converter is looked up for it).
static bool knownCodePage(int cp) {
    switch (cp) {
        case 437:
        case 737:
        case 775:
        case 850:
        case 852:
        case 855:
        case 857:
        case 860:
        case 861:
        case 862:
        case 863:
        case 864:
        case 865:
        case 866:
        case 869:
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1250:
        case 1251:
        case 1252:
        case 1253:
        case 1254:
        case 1255:
        case 1256:
        case 1257:
        case 1258:
        case 10000:
        case 65001:
            return true;
        default:
            return false;
    }
}

QStringDecoder* RtfByteDecoder::DecoderFor(int codePage) {
    if (!knownCodePage(codePage)) codePage = 1252;
    auto it = decoders_.find(codePage);
    if (it != decoders_.end()) return it->second.get();
    std::unique_ptr<QStringDecoder> d;
    const QByteArray n = QByteArray::number(codePage);
    const QByteArray names[] = {"windows-" + n, "cp" + n, "IBM" + n};
    for (const QByteArray& name : names) {
        d = std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
        if (d->isValid()) break;
        d.reset();
    }
    if (codePage == 10000) d = std::make_unique<QStringDecoder>("macintosh");
    if (codePage == 65001)
        d = std::make_unique<QStringDecoder>(QStringConverter::Utf8,
                                             QStringConverter::Flag::Stateless);
    QStringDecoder* raw = d.get();
    decoders_.emplace(codePage, std::move(d));
    return raw;
}

void RtfByteDecoder::SetCodePage(int codePage) {
    if (codePage == codePage_ && (decoder_ || codePage == 1251)) return;
    QString dropped;
    Flush(dropped);
    codePage_ = codePage;
    decoder_ = codePage == 1251 ? nullptr : DecoderFor(codePage);
    if (codePage != 1251 && !decoder_) {
        codePage_ = 1252;
        decoder_ = DecoderFor(1252);
    }
    doubleByte_ = IsDoubleByteCodePage(codePage_);
}

bool RtfByteDecoder::IsLead(unsigned char b) const {
    if (codePage_ == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;
}

void RtfByteDecoder::Decode(const char* bytes, qsizetype size, QString& out) {
    if (size <= 0) return;
    if (!decoder_) {
        out += FromWin1251(bytes, size);
        return;
    }
    if (!doubleByte_) {
        out += decoder_->decode(QByteArrayView(bytes, size));
        return;
    }
    // Whole characters only: a lead byte at the end waits for its trail.
    QByteArray whole;
    whole.reserve(size + 1);
    if (hasLead_) {
        whole += lead_;
        hasLead_ = false;
    }
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        whole += char(b);
        if (!IsLead(b)) continue;
        if (i + 1 < size) {
            whole += bytes[++i];
        } else {
            whole.chop(1);
            lead_ = char(b);
            hasLead_ = true;
        }
    }
    out += decoder_->decode(whole);
}

void RtfByteDecoder::Flush(QString& out) {
    if (!hasLead_) return;
    hasLead_ = false;
    out += u'?';
}
