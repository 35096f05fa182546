#include "calendar/BirthLegend.h"

TfrmBirthLegend* frmBirthLegend = nullptr;

TfrmBirthLegend::TfrmBirthLegend(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Легенда"));
}
