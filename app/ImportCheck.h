// The last step of the data module's start: the offer to bring in the
// previous version's data files, and the window that shows a long import.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

#include "data/RoutsDat.h"

class QProgressDialog;
class TDM;

// Reads ExportMade and finds the old files; when they are there and not yet
// imported, asks, and on yes imports them into `dm` and records that at once.
// An import already made (recorded in the database) is not offered again,
// even when the settings file did not take ExportMade.
void ImportCheck(TDM& dm);
// What the user is told when ExportMade cannot be written after an import.
QString ExportMadeNotWritten(const QString& settingsPath);

// The progress of an import: nothing shows for an import that is done
// within about a second; a longer one shows what is being brought in.
class TImportProgress {
  public:
    TImportProgress();
    ~TImportProgress();
    // The import's report; now and then lets the window be drawn (user
    // input waits until the import is over).
    void Step(ImportStage stage, int done, int total);
    QProgressDialog* Dialog() const { return dialog_.get(); }

  private:
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer sinceDrawn_;
};
