#include "sync/WholeUpload.h"

#include <QHash>
#include <QSet>
#include <algorithm>

bool PlainUid(const QString& uid) {
    if (uid.isEmpty() || uid.startsWith(u'.')) return false;
    for (const QChar c : uid) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.' ||
                           c == u'@';
        if (!plain) return false;
    }
    return true;
}

bool WholeUploadFits(bool listedWhole, size_t listedItems, const QStringList& uids) {
    if (!listedWhole || listedItems != 0 || size_t(uids.size()) < kWholeUploadMin) return false;
    return std::all_of(uids.begin(), uids.end(), PlainUid);
}

namespace {

QByteArray EscapedText(const QString& text) {
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u';', QStringLiteral("\\;"));
    out.replace(u',', QStringLiteral("\\,"));
    out.replace(u'\n', QStringLiteral("\\n"));
    out.remove(u'\r');
    return out.toUtf8();
}

}  // namespace

QByteArray JoinCalendar(const std::vector<QByteArray>& items, const QString& name) {
    QByteArray head, zones, body;
    QSet<QByteArray> zonesSeen;
    for (size_t i = 0; i < items.size(); ++i) {
        QByteArray block;
        int depth = 0;
        for (QByteArray line : items[i].split('\n')) {
            if (line.endsWith('\r')) line.chop(1);
            if (line.isEmpty()) continue;
            const QByteArray upper = line.toUpper();
            if (upper.startsWith("BEGIN:")) ++depth;
            if (depth == 1) {
                const bool frame = upper == "BEGIN:VCALENDAR" || upper == "END:VCALENDAR";
                if (i == 0 && !frame && !upper.startsWith("X-WR-CALNAME")) head += line + "\r\n";
            } else if (depth > 1) {
                block += line + "\r\n";
            }
            if (!upper.startsWith("END:")) continue;
            if (--depth != 1) continue;
            if (!upper.startsWith("END:VTIMEZONE")) {
                body += block;
            } else if (!zonesSeen.contains(block)) {
                zonesSeen.insert(block);
                zones += block;
            }
            block.clear();
        }
    }
    if (!name.isEmpty()) head += "X-WR-CALNAME:" + EscapedText(name) + "\r\n";
    return "BEGIN:VCALENDAR\r\n" + head + zones + body + "END:VCALENDAR\r\n";
}

int WholeUploadTimeoutMs(size_t items, int timeoutMs) {
    constexpr qint64 kPerItemMs = 10;
    return int(qMin<qint64>(timeoutMs + qint64(items) * kPerItemMs, 3600 * 1000));
}

WholeStep WholeStepOf(const CalDavResult& result) {
    switch (result.kind) {
        case CalDavResult::Ok:
            return WholeStep::Done;
        case CalDavResult::Unreachable:
        case CalDavResult::Refused:
            return WholeStep::Stop;
        case CalDavResult::Unauthorized:
            // 403: not allowed to write the collection, the items may be.
            return result.httpStatus == 403 ? WholeStep::OneByOne : WholeStep::Stop;
        default:
            return WholeStep::OneByOne;
    }
}

QStringList SettleUploaded(std::vector<SyncLink>& links, const std::vector<CalDavItem>& listed) {
    QHash<QString, QString> tags;
    for (const CalDavItem& item : listed)
        tags.insert(item.href, item.etag);
    for (SyncLink& link : links) {
        const auto tag = tags.constFind(link.href);
        if (tag == tags.cend() || tag->isEmpty()) continue;
        link.etag = *tag;
        link.hash = link.pendHash;
        link.pending = SyncLink::Pending::None;
        link.pendHash = 0;
        tags.erase(tag);
    }
    QStringList others = tags.keys();
    others.sort();
    return others;
}
