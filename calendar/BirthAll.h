#pragma once

#include <QDialog>
#include <functional>

class TfrmBirthAll : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthAll(QWidget* parent = nullptr);

    // Draws the calendar anew after the events have changed.
    std::function<void()> RepaintCalendar;
};

extern TfrmBirthAll* frmBirthAll;
