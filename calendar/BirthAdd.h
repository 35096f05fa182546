#pragma once

#include <QDialog>

class TfrmBirthAdd : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthAdd(QWidget* parent = nullptr);
};

extern TfrmBirthAdd* frmBirthAdd;
