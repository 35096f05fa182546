#pragma once

#include <QDialog>

class TfrmBirthLegend : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthLegend(QWidget* parent = nullptr);
};

extern TfrmBirthLegend* frmBirthLegend;
