#include "remind/RemindIn.h"

#include <QDateEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimeEdit>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Formats.h"
#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/WindowPlace.h"

TfrmRemindIn* frmRemindIn = nullptr;

TfrmRemindIn::TfrmRemindIn(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Напомнить в"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(305, 134);

    Label1 = new QLabel(QStringLiteral("Дата"), this);
    Label1->setGeometry(16, 12, 129, 16);
    dtpDate = new QDateEdit(this);
    dtpDate->setGeometry(16, 30, 129, 24);
    dtpDate->setLocale(FormatLocale());
    dtpDate->setDisplayFormat(ShortDateFormat());
    dtpDate->setCalendarPopup(true);
    Label1->setBuddy(dtpDate);

    Label2 = new QLabel(QStringLiteral("Время"), this);
    Label2->setGeometry(160, 12, 129, 16);
    dtpTime = new QTimeEdit(this);
    dtpTime->setGeometry(160, 30, 129, 24);
    dtpTime->setLocale(FormatLocale());
    dtpTime->setDisplayFormat(LongTimeFormat());
    Label2->setBuddy(dtpTime);

    // Esc rejects the dialog as "Отмена" does.
    AddOkCancel(this, QRect(139, 101, 75, 25), QRect(222, 101, 75, 25), btnOk, btnCancel);
    FitToDesktop(this);
}

void TfrmRemindIn::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    Guarded([&] {
        CentreOnScreen(this);
        FormShow();
    });
}

void TfrmRemindIn::FormShow() {
    const TDateTime now = Now();
    dtpDate->setDate(ToQDate(now));
    dtpTime->setTime(ToQTime(now));
    dtpDate->setFocus();
}
