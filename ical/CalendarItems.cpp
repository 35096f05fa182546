#include "ical/CalendarItems.h"

#include <QRegularExpression>

namespace {

QString ownUid(const char* kind, int id, const QString& identity) {
    return QStringLiteral("%1-%2-%3@quillet").arg(QLatin1String(kind)).arg(id).arg(identity);
}

const char* const kindCategories[] = {"", "День рождения", "Радостное событие", "Грустное событие"};

}  // namespace

QString TaskUid(int id, const QString& identity) {
    return ownUid("task", id, identity);
}

QString EventUid(int id, const QString& identity) {
    return ownUid("event", id, identity);
}

bool ParseOwnUid(const QString& uid, const QString& identity, OwnUid& result) {
    static const QRegularExpression form(
        QStringLiteral("^(task|event)-(-?\\d{1,10})-(.+)@quillet$"));
    const QRegularExpressionMatch m = form.match(uid);
    if (!m.hasMatch() || identity.isEmpty() || m.captured(3) != identity) return false;
    bool ok = false;
    const int id = m.captured(2).toInt(&ok);
    if (!ok) return false;
    result = {m.captured(1) == QLatin1String("task"), id};
    return true;
}

QString KindCategory(int vid) {
    return vid >= 1 && vid <= 3 ? QString::fromUtf8(kindCategories[vid]) : QString();
}

int KindOfCategory(const QString& category) {
    const QString c = category.trimmed();
    for (int vid = 1; vid <= 3; ++vid)
        if (c.compare(QString::fromUtf8(kindCategories[vid]), Qt::CaseInsensitive) == 0) return vid;
    // What other calendars and address books call them.
    static const char* const others[][2] = {
        {"Birthday", "1"},    {"Birthdays", "1"}, {"Дни рождения", "1"},
        {"Anniversary", "2"}, {"Годовщина", "2"}, {"Anniversaries", "2"},
    };
    for (const auto& o : others)
        if (c.compare(QString::fromUtf8(o[0]), Qt::CaseInsensitive) == 0) return o[1][0] - '0';
    return 0;
}
