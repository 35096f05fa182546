// The task editor: one dialog for the whole run, prepared by the command
// that opens it (new task or edited task).
#pragma once

#include <QDialog>
#include <QString>

#include "core/DateTime.h"
#include "plan/TaskFields.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;

class TfrmNewTask : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmNewTask(QWidget* parent = nullptr);

    QLineEdit* edCaption = nullptr;
    QLineEdit* edCategory = nullptr;
    QCheckBox* chbNeedAlert = nullptr;
    QLabel* lbDate = nullptr;
    QDateEdit* dtpDate = nullptr;
    QLabel* lbTime = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QPlainTextEdit* mmDetails = nullptr;
    QCheckBox* chbExecuted = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    void FormShow();           // focus into the title
    void chbNeedAlertClick();  // date and time shown only with a reminder

    // The pickers' moment. Pickers the user left alone give back exactly
    // the moment they were set to (a date before the pickers' range, its
    // milliseconds); a changed date or time takes the pickers' value, to
    // the second, with 0 milliseconds.
    TDateTime PickedMoment() const;
    void SetPickedMoment(TDateTime moment);
    // The details as stored. Left alone, exactly the text they were set
    // to; edited, the lines joined as that text joined them (CR LF, or LF
    // alone for a text that used it). Characters that Windows-1251 cannot
    // hold are not taken.
    QString DetailsText() const;
    void SetDetailsText(const QString& text);
    // What the controls hold, the moment and the details as given back
    // above (also when the reminder is off).
    TaskFields Fields() const;
    // Longest texts the columns take; the boxes accept no more.
    void SetTextLimits(int caption, int category, int details);

    void setVisible(bool visible) override;  // centred on the screen at each showing

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void detailsChanged();
    bool dropUnstorable();
    void cutDetailsToLimit();

    int detailsLimit_ = 0;
    QString detailsText_;   // the details as they were after the last change
    QString detailsSet_;    // the text SetDetailsText was given
    QString detailsShown_;  // ... and the box's text right after
    QString lineBreak_ = QStringLiteral("\r\n");
    TDateTime momentSet_ = 0;
    QDate dateShown_;
    QTime timeShown_;
};

extern TfrmNewTask* frmNewTask;
