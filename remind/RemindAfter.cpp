#include "remind/RemindAfter.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/WindowPlace.h"
#include "remind/RemindIn.h"

TfrmRemindAfter* frmRemindAfter = nullptr;

namespace {

QSpinBox* NewCounter(QWidget* parent, int left) {
    auto* edit = new QSpinBox(parent);
    edit->setGeometry(left, 30, 81, 24);
    edit->setRange(0, 100);
    edit->setSingleStep(1);
    edit->setWrapping(false);
    edit->setValue(0);
    return edit;
}

}  // namespace

TfrmRemindAfter::TfrmRemindAfter(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Напомнить через"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(305, 134);

    Label1 = new QLabel(QStringLiteral("Дней"), this);
    Label1->setGeometry(16, 12, 81, 16);
    Edit1 = UpDown1 = NewCounter(this, 16);
    Label1->setBuddy(Edit1);

    Label2 = new QLabel(QStringLiteral("Часов"), this);
    Label2->setGeometry(112, 12, 81, 16);
    Edit2 = UpDown2 = NewCounter(this, 112);
    Label2->setBuddy(Edit2);

    Label3 = new QLabel(QStringLiteral("Минут"), this);
    Label3->setGeometry(208, 12, 81, 16);
    Edit3 = UpDown3 = NewCounter(this, 208);
    Label3->setBuddy(Edit3);

    // Esc rejects the dialog as "Отмена" does.
    AddOkCancel(this, QRect(139, 101, 75, 25), QRect(222, 101, 75, 25), btnOk, btnCancel);
    FitToDesktop(this);
}

void TfrmRemindAfter::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    Guarded([&] {
        // The values of the last use stay; only the place and the focus are set.
        CentreOnScreen(this);
        Edit1->setFocus();
        Edit1->selectAll();
    });
}
