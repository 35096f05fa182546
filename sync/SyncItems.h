// Rows as the items of a calendar server and back: the hash that tells a
// row changed since it was last in step, the text of one item, and the
// reading of one.
#pragma once

#include <QByteArray>
#include <QString>

#include "ical/CalendarItems.h"
#include "ical/IcalWriter.h"
#include "sync/SyncTypes.h"

// Over every column the server keeps (moments to the second, as the
// server keeps them).
quint64 TaskHash(const TaskItem& task);
quint64 EventHash(const EventItem& event);

// The text of one item, under `uid`.
QByteArray TaskIcs(const TaskItem& task, const QString& uid, const ExportSettings& settings);
QByteArray EventIcs(const EventItem& event, const QString& uid, const ExportSettings& settings);

// The first task or event of an item's text; `ok` false when it holds
// neither or cannot be read.
struct ServerItem {
    bool ok = false;
    ItemKind kind = ItemKind::Task;
    TaskItem task;
    EventItem event;
    QString uid() const { return kind == ItemKind::Task ? task.uid : event.uid; }
    quint64 hash() const { return kind == ItemKind::Task ? TaskHash(task) : EventHash(event); }
};
ServerItem ReadServerItem(const QByteArray& ics);

// The caption of the copy a conflict keeps of a row's own version; with
// `maxLength`, the caption is shortened so that the mark stays whole.
QString ConflictCaption(const QString& caption, int maxLength = 0);

// Where an item of ours goes in `calendar` (a path ending in '/').
QString ItemHref(const QString& calendar, const QString& uid);
