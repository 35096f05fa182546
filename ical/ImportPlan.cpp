#include "ical/ImportPlan.h"

#include <QCryptographicHash>
#include <QtEndian>

#include "core/DateTime.h"
#include "core/EventDates.h"
#include "core/Formats.h"
#include "core/Plural.h"
#include "core/Win1251.h"
#include "data/Records.h"

namespace {

quint64 digest(const QString& text) {
    const QByteArray sha = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1);
    return qFromLittleEndian<quint64>(sha.constData());
}

quint64 keyOf(const QString& uid, const QString& content) {
    return digest(uid.isEmpty() ? QStringLiteral("content\n") + content
                                : QStringLiteral("uid\n") + uid);
}

// Fits the texts to Windows-1251; true when one of them changed.
bool fit(std::initializer_list<QString*> texts) {
    bool any = false;
    for (QString* t : texts) {
        bool changed = false;
        *t = FitWin1251(*t, &changed);
        any = any || changed;
    }
    return any;
}

}  // namespace

quint64 ImportKey(const TaskItem& t) {
    return keyOf(t.uid, QStringLiteral("task\n%1\n%2\n%3\n%4")
                            .arg(t.caption, t.category, t.details)
                            .arg(t.when, 0, 'f', 8));
}

quint64 ImportKey(const EventItem& e) {
    return keyOf(e.uid, QStringLiteral("event\n%1\n%2\n%3\n%4")
                            .arg(e.caption, e.comment)
                            .arg(e.date, 0, 'f', 0)
                            .arg(e.vid));
}

FileItems ContactEvents(const std::vector<VCardContact>& contacts) {
    FileItems out;
    auto add = [&](const VCardContact& c, const VCardDate& d, int vid, const char* part) {
        EventItem e;
        e.uid = c.uid.isEmpty() ? QString() : c.uid + QLatin1String(part);
        e.caption = c.fullName;
        e.date = EncodeDate(d.year ? d.year : YearUnknown, d.month, d.day);
        e.vid = vid;
        out.events.push_back(std::move(e));
    };
    for (const VCardContact& c : contacts) {
        if (!c.birthday && !c.anniversary) ++out.withoutDate;
        if (c.birthday) add(c, *c.birthday, 1, "#bday");
        if (c.anniversary) add(c, *c.anniversary, 2, "#anniversary");
    }
    return out;
}

ImportPlan PlanImport(const FileItems& file, const KnownRecords& known, TDateTime now) {
    ImportPlan plan;
    plan.withoutDate = file.withoutDate;
    plan.otherRecords = file.otherRecords;
    QSet<quint64> taken = known.importedKeys;
    // False for a record that is there already (and counts it).
    auto isNew = [&](const QString& uid, quint64 key, bool task) {
        OwnUid own;
        const bool ours = ParseOwnUid(uid, known.identity, own) && own.task == task &&
                          (task ? known.taskIds : known.eventIds).contains(own.id);
        if (ours || taken.contains(key)) {
            ++plan.alreadyThere;
            return false;
        }
        taken.insert(key);
        return true;
    };
    const int year = YearOf(now);
    for (TaskItem t : file.tasks) {
        const quint64 key = ImportKey(t);
        if (!isNew(t.uid, key, true)) continue;
        if (fit({&t.caption, &t.category, &t.details})) ++plan.textsChanged;
        t.notified = t.needAlert && t.when <= now;
        plan.tasks.push_back(std::move(t));
        plan.keys.push_back(key);
    }
    for (EventItem e : file.events) {
        const quint64 key = ImportKey(e);
        if (!isNew(e.uid, key, false)) continue;
        if (fit({&e.caption, &e.comment})) ++plan.textsChanged;
        e.notified = EventDayInYear(e.date, year) < DateOf(now);
        plan.events.push_back(std::move(e));
        plan.keys.push_back(key);
    }
    return plan;
}

QString ImportSummary(const ImportPlan& plan, bool done) {
    QString text = (done ? QStringLiteral("Добавлено: ") : QStringLiteral("Будет добавлено: ")) +
                   CountOf(qint64(plan.tasks.size()), Nouns::Tasks) + QStringLiteral(", ") +
                   CountOf(qint64(plan.events.size()), Nouns::Events);
    QStringList skipped;
    if (plan.alreadyThere) skipped << QStringLiteral("%1 — уже есть").arg(plan.alreadyThere);
    if (plan.withoutDate) skipped << QStringLiteral("%1 — без даты").arg(plan.withoutDate);
    if (plan.otherRecords)
        skipped << QStringLiteral("%1 — не задания и не события").arg(plan.otherRecords);
    if (!skipped.isEmpty())
        text += QStringLiteral("; пропущено: ") + skipped.join(QStringLiteral(", "));
    text += u'.';
    if (plan.textsChanged)
        text += QStringLiteral(
                    "\nВ %1 знаки, которых нет в кодировке Windows-1251, заменены "
                    "похожими или знаком «?».")
                    .arg(CountOf(plan.textsChanged, {"записи", "записях", "записях"}));
    return text;
}

std::vector<QStringList> PlanRows(const ImportPlan& plan) {
    std::vector<QStringList> rows;
    rows.reserve(plan.tasks.size() + plan.events.size());
    const QString none = QStringLiteral("<нет>");
    for (const TaskItem& t : plan.tasks) {
        QString state = t.executed ? QStringLiteral("Выполнено") : QString();
        if (!t.executed && t.needAlert)
            state = t.notified ? QStringLiteral("Напоминание прошло") : QStringLiteral("Напомнить");
        rows.push_back({QStringLiteral("Задание"), t.caption,
                        t.when != 0 ? DateTimeToStr(t.when) : none, t.category, state});
    }
    for (const EventItem& e : plan.events) {
        const QString date =
            YearOf(e.date) == YearUnknown
                ? FormatLocale().toString(ToQDate(e.date), QStringLiteral("d MMMM', без года'"))
                : FormatShortDate(e.date);
        rows.push_back({EventKindName(e.vid), e.caption, date, QString::number(e.category),
                        EventStateName(e.notified)});
    }
    return rows;
}
