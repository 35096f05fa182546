#pragma once

#include <QDialog>

class TfrmBirthAll : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthAll(QWidget* parent = nullptr);
};

extern TfrmBirthAll* frmBirthAll;
