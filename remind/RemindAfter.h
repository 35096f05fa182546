// "Remind in ...": days, hours and minutes from now until the next
// reminder. One window for the whole run, made at start-up; the values stay
// from one use to the next.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

class TfrmRemindAfter : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmRemindAfter(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;   // "Дней"
    QLabel* Label2 = nullptr;   // "Часов"
    QLabel* Label3 = nullptr;   // "Минут"
    QSpinBox* Edit1 = nullptr;  // days
    QSpinBox* Edit2 = nullptr;  // hours
    QSpinBox* Edit3 = nullptr;  // minutes
    // The arrows of the same spin boxes.
    QSpinBox* UpDown1 = nullptr;
    QSpinBox* UpDown2 = nullptr;
    QSpinBox* UpDown3 = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmRemindAfter* frmRemindAfter;
