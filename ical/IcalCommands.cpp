#include "ical/IcalCommands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "core/Plural.h"
#include "data/DataModule.h"
#include "data/OwnTables.h"
#include "ical/Exchange.h"
#include "ical/IcalPreview.h"
#include "platform/Modal.h"
#include "settings/Settings.h"

namespace {

const QString exportTitle = QStringLiteral("Экспорт в iCalendar");
const QString importTitle = QStringLiteral("Импорт из iCalendar");

void warn(const QString& text, const QString& title) {
    MessageBox(text, title, QMessageBox::Ok, QMessageBox::Warning);
}

// The path the user chose, empty when cancelled.
QString chooseFile(QWidget* parent, const QString& title, const QString& start, bool save) {
    QFileDialog dialog(parent, title, start);
    dialog.setObjectName(save ? QStringLiteral("dlgIcalExport") : QStringLiteral("dlgIcalImport"));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(
            {QStringLiteral("Календарь iCalendar (*.ics)"), QStringLiteral("Все файлы (*)")});
        dialog.setDefaultSuffix(QStringLiteral("ics"));
        dialog.selectFile(QStringLiteral("quillet.ics"));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({QStringLiteral("Календари и контакты (*.ics *.ical *.vcf *.vcard)"),
                               QStringLiteral("Все файлы (*)")});
    }
    if (ShowModal(&dialog) != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

}  // namespace

TIcalCommands::TIcalCommands(QWidget* window)
    : QObject(window), StartFolder(QDir::homePath()), window_(window) {}

bool TIcalCommands::Connected(const QString& title) {
    if (DM && DM->IsConnected()) return true;
    warn(QStringLiteral("Нет подключения к базе данных."), title);
    return false;
}

void TIcalCommands::ExportCalendar() {
    if (!Connected(exportTitle)) return;
    const QString path = chooseFile(window_, exportTitle, StartFolder, true);
    if (path.isEmpty()) return;
    try {
        TOwnTables own(DM->xConnection);
        const TDateTime now = Now();
        const qint64 stamp = QDateTime(ToQDate(now), ToQTime(now)).toSecsSinceEpoch();
        SaveFileAtomically(path, ExportTables(*DM, own.Identity(), NotifyDays, NotifyTime, stamp));
    } catch (const EQuillet& e) {
        warn(QStringLiteral("Календарь не экспортирован.\n\n") + e.message(), exportTitle);
        return;
    }
    MessageBox(QStringLiteral("Экспортировано: %1, %2.\nФайл: «%3».")
                   .arg(CountOf(DM->cdsTask.RecordCount(), Nouns::Tasks),
                        CountOf(DM->cdsBirth.RecordCount(), Nouns::Events),
                        QDir::toNativeSeparators(path)),
               exportTitle, QMessageBox::Ok, QMessageBox::Information);
}

void TIcalCommands::ImportCalendar() {
    if (!Connected(importTitle)) return;
    const QString path = chooseFile(window_, importTitle, StartFolder, false);
    if (!path.isEmpty()) Import(path);
}

void TIcalCommands::Import(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    ImportPlan plan;
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw EQuillet(QStringLiteral("Файл не открывается: ") + file.errorString());
        const FileItems items = ReadRecordsFile(file.readAll());
        TOwnTables own(DM->xConnection);
        plan = PlanImport(items, KnownRecordsOf(*DM, own), Now());
    } catch (const EQuillet& e) {
        warn(QStringLiteral("Файл «%1» не импортирован.\n\n%2").arg(name, e.message()),
             importTitle);
        return;
    }
    if (plan.tasks.empty() && plan.events.empty()) {
        MessageBox(ImportSummary(plan, true), importTitle, QMessageBox::Ok,
                   QMessageBox::Information);
        return;
    }
    TfrmIcalPreview preview(plan, path, window_);
    if (ShowModal(&preview) != QDialog::Accepted) return;
    try {
        TOwnTables own(DM->xConnection);
        ApplyImport(*DM, own, plan);
    } catch (const EQuillet& e) {
        warn(QStringLiteral("Импорт не выполнен, ничего не добавлено.\n\n") + e.message(),
             importTitle);
        return;
    }
    if (AfterImport) AfterImport();
    MessageBox(ImportSummary(plan, true), importTitle, QMessageBox::Ok, QMessageBox::Information);
}
