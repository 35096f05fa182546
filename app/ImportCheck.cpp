#include "app/ImportCheck.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTimer>

#include <QDir>

#include "app/Main.h"
#include "core/Error.h"
#include "core/ExePath.h"
#include "core/Log.h"
#include "platform/Modal.h"
#include "platform/WindowPlace.h"
#include "settings/Settings.h"

namespace {

// How often the window is drawn again while the import runs.
constexpr int DrawPeriodMs = 40;

QString stageText(ImportStage stage) {
    switch (stage) {
        case ImportStage::Tasks:
            return QStringLiteral("Перенос заданий...");
        case ImportStage::Notes:
            return QStringLiteral("Перенос заметок...");
        case ImportStage::Events:
            return QStringLiteral("Перенос событий календаря...");
    }
    return {};
}

}  // namespace

TImportProgress::TImportProgress()
    : dialog_(std::make_unique<QProgressDialog>(
          nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)) {
    QProgressDialog& d = *dialog_;
    d.setWindowTitle(QStringLiteral("Quillet"));
    d.setWindowIcon(frmMain ? frmMain->windowIcon() : QIcon());
    d.setCancelButton(nullptr);  // an import is never left half done
    d.setAutoClose(false);
    d.setAutoReset(false);
    d.setMinimumWidth(360);
    d.setMinimumDuration(1000);
    d.setLabelText(stageText(ImportStage::Tasks));
    d.setValue(0);  // the count of time starts here
    sinceDrawn_.start();
}

TImportProgress::~TImportProgress() = default;

void TImportProgress::Step(ImportStage stage, int done, int total) {
    if (sinceDrawn_.elapsed() < DrawPeriodMs && done < total) return;
    QProgressDialog& d = *dialog_;
    // One step more than the rows: the last send keeps the window up.
    if (d.maximum() != total + 1) d.setMaximum(total + 1);
    const QString text = stageText(stage);
    if (d.labelText() != text) d.setLabelText(text);
    const bool wasShown = d.isVisible();
    d.setValue(done);  // shows the window once the import looks long
    if (!wasShown && d.isVisible()) CentreOnScreen(&d);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceDrawn_.restart();
}

QString ExportMadeNotWritten(const QString& settingsPath) {
    return QStringLiteral(
               "Данные предыдущей версии перенесены, но записать это в файл настроек "
               "«%1» не удалось.\n\nПрограмма может снова спросить о них при "
               "запуске; то, что уже перенесено, второй раз перенесено не будет.")
        .arg(QDir::toNativeSeparators(settingsPath));
}

namespace {

// ExportMade set and written; false when the settings file did not take it.
bool markExportMade() {
    ExportMade = true;
    try {
        WriteExportMade();
        return true;
    } catch (const EQuillet& e) {
        WriteLog(QStringLiteral("ExportMade not written: ") + e.message());
        return false;
    }
}

}  // namespace

void ImportCheck(TDM& dm) {
    ReadExportMade();
    InitOldFilePaths(ExePath());
    if (ExportMade || !OldFilesExist()) return;
    // An import whose mark did not reach the settings file is not offered
    // again.
    if (OldDataImported(dm)) {
        markExportMade();
        return;
    }
    if (MessageBox(QStringLiteral("Обнаружены файлы, содержащие данные из предыдущей версии.\n\n"
                                  "Произвести экспорт этих данных?"),
                   QStringLiteral("Quillet"),
                   QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    // No reminder may come up while rows are being made.
    QTimer* timer = frmMain ? frmMain->TimerNotify : nullptr;
    const bool ticking = timer && timer->isActive();
    if (ticking) timer->stop();
    const auto restart = qScopeGuard([&] {
        if (ticking) timer->start();
    });
    {
        TImportProgress progress;
        ImportOldData(
            dm, [&](ImportStage stage, int done, int total) { progress.Step(stage, done, total); });
    }
    if (!markExportMade())
        MessageBox(ExportMadeNotWritten(SettingsFilePath()), QStringLiteral("Quillet"),
                   QMessageBox::Ok, QMessageBox::Warning);
}
