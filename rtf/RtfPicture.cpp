#include "rtf/RtfPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

#include "rtf/RtfTokenizer.h"

namespace {

constexpr qsizetype MaxDataBytes = 16 * 1024 * 1024;
constexpr int MaxSide = 8000;
constexpr qint64 MaxPixels = 24 * 1000 * 1000;
constexpr double MaxShownSide = 4000;

// The shown length: the wanted size in twips scaled, else the picture's own.
double shownLength(int goalTwips, int scalePercent, int own) {
    const double scale = (scalePercent > 0 && scalePercent <= 10000) ? scalePercent / 100.0 : 1.0;
    const double px = goalTwips > 0 ? goalTwips / 15.0 * scale : own * scale;
    return std::clamp(px, 1.0, MaxShownSide);
}

}  // namespace

void RtfPicture::Begin() {
    *this = RtfPicture();
}

bool RtfPicture::Room(qsizetype more) const {
    return !overflow_ && data_.size() + more <= MaxDataBytes;
}

void RtfPicture::AddHex(std::string_view text) {
    if (kind_ == Kind::Other || overflow_) return;  // dropped anyway: nothing to keep
    if (!Room(qsizetype(text.size() / 2 + 1))) {
        overflow_ = true;
        data_.clear();
        return;
    }
    for (char c : text) {
        const int v = RtfHexValue(c);
        if (v < 0) continue;
        if (nibble_ < 0) {
            nibble_ = v;
        } else {
            data_ += char(nibble_ * 16 + v);
            nibble_ = -1;
        }
    }
}

void RtfPicture::AddBinary(std::string_view bytes) {
    if (kind_ == Kind::Other || overflow_) return;
    if (!Room(qsizetype(bytes.size()))) {
        overflow_ = true;
        data_.clear();
        return;
    }
    data_.append(bytes.data(), qsizetype(bytes.size()));
}

bool RtfPicture::Decode(QImage& image, QSizeF& shownSize) const {
    if (overflow_ || data_.isEmpty()) return false;
    const char* format = nullptr;
    if (kind_ == Kind::Png && data_.startsWith("\x89PNG")) format = "png";
    if (kind_ == Kind::Jpeg && data_.startsWith("\xFF\xD8")) format = "jpeg";
    if (!format) return false;
    QBuffer buffer;
    buffer.setData(data_);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxSide || size.height() > MaxSide ||
        qint64(size.width()) * size.height() > MaxPixels)
        return false;
    if (!reader.read(&image) || image.isNull()) return false;
    shownSize = QSizeF(shownLength(goalW_, scaleX_, image.width()),
                       shownLength(goalH_, scaleY_, image.height()));
    return true;
}
