#include "sync/SyncItems.h"

#include <QUrl>
#include <cmath>

#include "core/Error.h"
#include "ical/IcalReader.h"

namespace {

// FNV-1a, 64 bits: stable across runs and builds, as stored hashes must be.
class Fnv {
  public:
    Fnv& add(const QString& s) {
        addBytes(s.constData(), size_t(s.size()) * sizeof(QChar));
        return add(qint64(s.size()));
    }
    Fnv& add(qint64 v) {
        addBytes(&v, sizeof v);
        return *this;
    }
    quint64 value() const { return h_ == 0 ? 1 : h_; }  // 0 stays "nothing yet"

  private:
    void addBytes(const void* p, size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (size_t i = 0; i < n; ++i)
            h_ = (h_ ^ b[i]) * 0x100000001b3ULL;
    }
    quint64 h_ = 0xcbf29ce484222325ULL;
};

qint64 seconds(TDateTime t) {
    return qint64(std::llround(t * 86400.0));
}

}  // namespace

quint64 TaskHash(const TaskItem& t) {
    return Fnv()
        .add(0)
        .add(t.caption)
        .add(t.category)
        .add(t.details)
        .add(t.needAlert)
        .add(t.needAlert ? seconds(t.when) : 0)
        .add(t.executed)
        .add(t.notified)
        .value();
}

quint64 EventHash(const EventItem& e) {
    return Fnv()
        .add(1)
        .add(e.caption)
        .add(e.comment)
        .add(seconds(DateOf(e.date)))
        .add(e.vid)
        .add(e.category)
        .add(e.notified)
        .value();
}

QByteArray TaskIcs(const TaskItem& task, const QString& uid, const ExportSettings& settings) {
    return WriteTaskCalendar(task, uid, settings);
}

QByteArray EventIcs(const EventItem& event, const QString& uid, const ExportSettings& settings) {
    return WriteEventCalendar(event, uid, settings);
}

ServerItem ReadServerItem(const QByteArray& ics) {
    ServerItem item;
    FileItems read;
    try {
        read = ReadICalendar(ics);
    } catch (const EQuillet&) {
        return item;
    }
    if (!read.events.empty()) {
        item.ok = true;
        item.kind = ItemKind::Event;
        item.event = std::move(read.events.front());
        item.event.date = DateOf(item.event.date);
    } else if (!read.tasks.empty()) {
        item.ok = true;
        item.task = std::move(read.tasks.front());
        if (!item.task.needAlert) item.task.when = 0;
    }
    return item;
}

QString ConflictCaption(const QString& caption, int maxLength) {
    const QString mark = QStringLiteral(" (конфликт)");
    if (maxLength > mark.size() && caption.size() + mark.size() > maxLength)
        return caption.left(maxLength - mark.size()) + mark;
    return caption + mark;
}

QString ItemHref(const QString& calendar, const QString& uid) {
    QString path = calendar;
    if (!path.endsWith(u'/')) path += u'/';
    return path + QString::fromLatin1(QUrl::toPercentEncoding(uid, "@")) + QStringLiteral(".ics");
}
