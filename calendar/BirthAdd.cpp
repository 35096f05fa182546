#include "calendar/BirthAdd.h"

TfrmBirthAdd* frmBirthAdd = nullptr;

TfrmBirthAdd::TfrmBirthAdd(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Новое событие"));
}
