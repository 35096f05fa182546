#include "rtf/RtfPictureData.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextDocument>
#include <QUrl>
#include <QVariantHash>

namespace {

const char kProperty[] = "quilletPictureData";

}  // namespace

void KeepPictureData(QTextDocument* doc, const QString& name, const RtfPictureData& picture) {
    QVariantHash kept = doc->property(kProperty).toHash();
    kept.insert(name, QVariantList{picture.data, picture.jpeg, picture.size});
    doc->setProperty(kProperty, kept);
}

void ForgetPictureData(QTextDocument* doc) {
    doc->setProperty(kProperty, QVariant());
}

RtfPictureData PictureForWriting(const QTextDocument* doc, const QString& name) {
    RtfPictureData picture;
    const QVariant resource = doc->resource(QTextDocument::ImageResource, QUrl(name));
    if (!resource.isValid()) return picture;
    const QVariantList kept = doc->property(kProperty).toHash().value(name).toList();
    if (kept.size() == 3) {
        picture.data = kept[0].toByteArray();
        picture.jpeg = kept[1].toBool();
        picture.size = kept[2].toSize();
        return picture;
    }
    QImage image;
    if (resource.typeId() == QMetaType::QImage)
        image = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        image = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray)
        image.loadFromData(resource.toByteArray());
    if (image.isNull()) return picture;
    QBuffer buffer(&picture.data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    picture.size = image.size();
    return picture;
}
