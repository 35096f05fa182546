// "Remind at ...": the date and the time of day of the next reminder.
// One window for the whole run, made at start-up.
#pragma once

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

class TfrmRemindIn : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmRemindIn(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;  // "Дата"
    QLabel* Label2 = nullptr;  // "Время"
    QDateEdit* dtpDate = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // Every showing starts at the present date and time.
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmRemindIn* frmRemindIn;
