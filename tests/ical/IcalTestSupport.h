// Items of calendar files written as text, for comparing them in tests.
#pragma once

#include <QString>
#include <ostream>

#include "core/Formats.h"
#include "ical/CalendarItems.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline QString Describe(const TaskItem& t) {
    return QStringLiteral("%1 | %2 | %3 | %4 | %5%6 | %7")
        .arg(t.caption, t.category, QString(t.details).replace(QStringLiteral("\r\n"), "/"),
             t.needAlert ? DateTimeToStr(t.when) : (t.when != 0 ? QStringLiteral("?") : "-"),
             t.executed ? QStringLiteral("done") : QStringLiteral("open"),
             t.notified ? QStringLiteral(" notified") : QString(), t.uid);
}

inline QString Describe(const EventItem& e) {
    return QStringLiteral("%1 | %2 | %3 | %4 | %5%6 | %7")
        .arg(e.caption, DateTimeToStr(e.date))
        .arg(e.vid)
        .arg(e.category)
        .arg(e.comment, e.notified ? QStringLiteral(" notified") : QString(), e.uid);
}

template <typename Item>
QStringList DescribeAll(const std::vector<Item>& items) {
    QStringList out;
    for (const Item& i : items)
        out << Describe(i);
    return out;
}
