// A picture of an RTF document ({\pict ...}): its kind, its sizes and its
// data, given in hexadecimal or after \binN. PNG and JPEG pictures are
// decoded within size limits; other kinds are dropped.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <string_view>

class RtfPicture {
  public:
    enum class Kind { None, Png, Jpeg, Other };

    void Begin();
    void SetKind(Kind kind) { kind_ = kind; }
    void SetGoalWidth(int twips) { goalW_ = twips; }
    void SetGoalHeight(int twips) { goalH_ = twips; }
    void SetScaleX(int percent) { scaleX_ = percent; }
    void SetScaleY(int percent) { scaleY_ = percent; }
    void AddHex(std::string_view text);
    void AddBinary(std::string_view bytes);

    // The picture and the size it is shown at, in pixels; false when it is
    // of another kind, broken or beyond the limits.
    bool Decode(QImage& image, QSizeF& shownSize) const;
    const QByteArray& Data() const { return data_; }
    bool IsJpeg() const { return kind_ == Kind::Jpeg; }

  private:
    bool Room(qsizetype more) const;

    Kind kind_ = Kind::None;
    QByteArray data_;
    int nibble_ = -1;  // a first hex digit waiting for its second
    bool overflow_ = false;
    int goalW_ = 0, goalH_ = 0, scaleX_ = 100, scaleY_ = 100;
};
