#include "ical/Exchange.h"

#include <QDir>
#include <QSaveFile>

#include "core/DateTime.h"
#include "core/Error.h"
#include "data/DataModule.h"
#include "data/OwnTables.h"
#include "ical/IcalReader.h"
#include "ical/IcalWriter.h"
#include "ical/TableItems.h"
#include "vcard/VCardReader.h"

QByteArray ExportTables(TDM& dm, const QString& identity, int notifyDays, TDateTime notifyTime,
                        qint64 stampSecs) {
    ExportSettings settings;
    settings.identity = identity;
    settings.notifyDays = notifyDays;
    settings.notifyTime = notifyTime;
    settings.stampSecs = stampSecs;
    return WriteICalendar(TaskItemsOf(dm.cdsTask), EventItemsOf(dm.cdsBirth), settings);
}

void SaveFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        throw EQuillet(QStringLiteral("Не удалось записать файл «%1»:\n%2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
}

FileItems ReadRecordsFile(const QByteArray& bytes) {
    if (LooksLikeVCard(bytes)) return ContactEvents(ReadVCards(bytes));
    return ReadICalendar(bytes);
}

KnownRecords KnownRecordsOf(TDM& dm, TOwnTables& own) {
    KnownRecords known;
    known.identity = own.Identity();
    for (TMemTable* t : {&dm.cdsTask, &dm.cdsBirth}) {
        QSet<int>& ids = t == &dm.cdsTask ? known.taskIds : known.eventIds;
        const int k = t->FieldIndex(QStringLiteral("ID"));
        for (int r = 0; k >= 0 && r < t->RecordCount(); ++r)
            ids.insert(int(t->Cell(r, k).toInt()));
    }
    known.importedKeys = own.ImportedKeys(known.taskIds, known.eventIds);
    return known;
}

qint64 AddImport(TDM& dm, TOwnTables& own, const ImportPlan& plan) {
    TaskRowWriter taskRows(dm.cdsTask);
    EventRowWriter eventRows(dm.cdsBirth);
    const std::vector<int> taskIds = dm.NewTaskIds(int(plan.tasks.size()));
    const std::vector<int> eventIds = dm.NewBirthIds(int(plan.events.size()));
    // A number of the program's own changes when its row is sent: the keys
    // could not name their rows.
    for (const std::vector<int>* ids : {&taskIds, &eventIds})
        for (int id : *ids)
            if (id <= 0)
                throw EQuillet(
                    QStringLiteral("Нет связи с сервером базы данных. Повторите "
                                   "импорт, когда связь появится."));
    const qint64 token = own.RememberImported(plan.keys, taskIds, eventIds);
    taskRows.Append(plan.tasks, taskIds);
    eventRows.Append(plan.events, eventIds);
    return token;
}

void ApplyImport(TDM& dm, TOwnTables& own, const ImportPlan& plan) {
    const qint64 token = AddImport(dm, own, plan);
    dm.ApplyTable(dm.cdsTask);
    dm.ApplyTable(dm.cdsBirth);
    // The rows are stored or journalled now. Should the confirmation fail,
    // the keys still count for as long as their rows are there.
    try {
        own.ConfirmImported(token);
    } catch (const EQuillet&) {
    }
}
