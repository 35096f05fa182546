// The legend of the calendar: a small tool window on top of the others
// with the sample cells and frames and what they mean. Shown without a
// modal loop; closing only hides it.
#pragma once

#include <QDialog>

class QWidget;

class TfrmBirthLegend : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthLegend(QWidget* parent = nullptr);

    QWidget* PB = nullptr;  // the legend surface

    void FormShow();  // sizes the surface and the window to it
    void PBPaint();

    void setVisible(bool visible) override;  // centred on the screen at each showing
};

extern TfrmBirthLegend* frmBirthLegend;
