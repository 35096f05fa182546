#include "calendar/BirthAll.h"

TfrmBirthAll* frmBirthAll = nullptr;

TfrmBirthAll::TfrmBirthAll(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Список всех событий"));
}
