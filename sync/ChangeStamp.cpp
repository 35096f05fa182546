#include "sync/ChangeStamp.h"

#include <QDateTime>

namespace {

// The least the server's clock must be past the date kept.
constexpr qint64 kMarginSecs = 2;

// An HTTP date ("Thu, 10 Dec 2026 03:10:51 GMT").
QDateTime httpDate(QString text) {
    if (text.endsWith(QStringLiteral(" GMT"))) text = text.chopped(4) + QStringLiteral(" +0000");
    return QDateTime::fromString(text, Qt::RFC2822Date);
}

}  // namespace

bool StampWorthAsking(const QString& token) {
    return token.startsWith(QStringLiteral("http://radicale.org/ns/sync/"));
}

QString StampToKeep(const QString& modified, const QString& serverTime) {
    const QDateTime at = httpDate(modified);
    const QDateTime now = httpDate(serverTime);
    if (!at.isValid() || !now.isValid() || at.secsTo(now) < kMarginSecs) return {};
    return modified;
}

bool ListingNeeded(const QString& token, const QString& kept, const QString& modified) {
    return token.isEmpty() || kept.isEmpty() || modified.isEmpty() || kept != modified;
}
