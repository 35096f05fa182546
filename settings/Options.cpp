#include "settings/Options.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "core/DateTime.h"
#include "core/ExePath.h"
#include "core/Formats.h"
#include "platform/Autostart.h"
#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/WindowPlace.h"
#include "settings/Settings.h"

TfrmOptions* frmOptions = nullptr;

TfrmOptions::TfrmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Настройки"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(339, 239);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));

    // ---- Общее
    tshCommon = new QWidget;
    tshCommon->setObjectName(QStringLiteral("tshCommon"));
    Label1 = new QLabel(QStringLiteral("Период проверки"), tshCommon);
    Label1->setObjectName(QStringLiteral("Label1"));
    cbCheckPeriod = new QComboBox(tshCommon);
    cbCheckPeriod->setObjectName(QStringLiteral("cbCheckPeriod"));
    cbCheckPeriod->setEditable(false);
    cbCheckPeriod->setFixedWidth(153);
    cbCheckPeriod->addItems(
        {QStringLiteral("0.1 секунды"), QStringLiteral("1 секунда"), QStringLiteral("10 секунд")});
    Label1->setBuddy(cbCheckPeriod);
    chbStartup = new QCheckBox(QStringLiteral("Запускать при входе в систему"), tshCommon);
    chbStartup->setObjectName(QStringLiteral("chbStartup"));
    chbDesktopNotify =
        new QCheckBox(QStringLiteral("Показывать уведомления рабочего стола"), tshCommon);
    chbDesktopNotify->setObjectName(QStringLiteral("chbDesktopNotify"));

    auto* commonLayout = new QVBoxLayout(tshCommon);
    commonLayout->setContentsMargins(10, 10, 10, 10);
    commonLayout->setSpacing(4);
    commonLayout->addWidget(Label1);
    commonLayout->addWidget(cbCheckPeriod, 0, Qt::AlignLeft);
    commonLayout->addSpacing(14);
    commonLayout->addWidget(chbStartup);
    commonLayout->addWidget(chbDesktopNotify);
    commonLayout->addStretch(1);
    PageControl->addTab(tshCommon, QStringLiteral("Общее"));

    // ---- Календарь
    tshCalendar = new QWidget;
    tshCalendar->setObjectName(QStringLiteral("tshCalendar"));
    Label2 = new QLabel(QStringLiteral("Напомнить о событии за"), tshCalendar);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label4 = new QLabel(QStringLiteral("кол-во дней"), tshCalendar);
    Label4->setObjectName(QStringLiteral("Label4"));
    udNotifyDays = new QSpinBox(tshCalendar);
    udNotifyDays->setObjectName(QStringLiteral("udNotifyDays"));
    udNotifyDays->setRange(0, 100);
    udNotifyDays->setSingleStep(1);
    udNotifyDays->setFixedWidth(80);
    edNotifyDays = udNotifyDays;
    Label4->setBuddy(udNotifyDays);
    Label3 = new QLabel(QStringLiteral("во время"), tshCalendar);
    Label3->setObjectName(QStringLiteral("Label3"));
    dtpNotifyTime = new QTimeEdit(tshCalendar);
    dtpNotifyTime->setObjectName(QStringLiteral("dtpNotifyTime"));
    dtpNotifyTime->setLocale(FormatLocale());
    dtpNotifyTime->setDisplayFormat(LongTimeFormat());
    dtpNotifyTime->setFixedWidth(100);
    Label3->setBuddy(dtpNotifyTime);

    auto* calendarLayout = new QVBoxLayout(tshCalendar);
    calendarLayout->setContentsMargins(10, 10, 10, 10);
    calendarLayout->setSpacing(4);
    calendarLayout->addWidget(Label2);
    calendarLayout->addSpacing(6);
    auto* notifyGrid = new QGridLayout;
    notifyGrid->setHorizontalSpacing(16);
    notifyGrid->setVerticalSpacing(4);
    notifyGrid->addWidget(Label4, 0, 0);
    notifyGrid->addWidget(udNotifyDays, 1, 0);
    notifyGrid->addWidget(Label3, 0, 1);
    notifyGrid->addWidget(dtpNotifyTime, 1, 1);
    notifyGrid->setColumnStretch(2, 1);
    calendarLayout->addLayout(notifyGrid);
    calendarLayout->addStretch(1);
    PageControl->addTab(tshCalendar, QStringLiteral("Календарь"));
    PageControl->setCurrentWidget(tshCommon);

    // ---- Buttons
    PanelBottom = new QWidget(this);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    PanelBottom->setFixedHeight(41);
    btnOk = new QPushButton(QStringLiteral("Ok"), PanelBottom);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnOk->setFixedSize(75, 25);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), PanelBottom);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setFixedSize(75, 25);
    auto* buttonLayout = new QHBoxLayout(PanelBottom);
    buttonLayout->setContentsMargins(8, 8, 8, 8);
    buttonLayout->setSpacing(6);
    buttonLayout->addStretch(1);
    buttonLayout->addWidget(btnOk);
    buttonLayout->addWidget(btnCancel);

    auto* mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(6, 6, 6, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(PageControl, 1);
    mainLayout->addWidget(PanelBottom);

    connect(btnOk, &QPushButton::clicked, this, GUARDED(this, btnOkClick));
    connect(btnCancel, &QPushButton::clicked, this, [this] { Guarded([&] { reject(); }); });
    FitToDesktop(this);
}

void TfrmOptions::FormShow() {
    const StoredOptions o = ReadStoredOptions();
    const int index = o.checkPeriodIndex;
    cbCheckPeriod->setCurrentIndex(index >= 0 && index < cbCheckPeriod->count() ? index : -1);
    chbStartup->setChecked(o.startup);
    chbDesktopNotify->setChecked(o.desktopNotify);
    udNotifyDays->setValue(o.notifyDays);
    dtpNotifyTime->setTime(ToQTime(TimeOf(o.notifyTime)));
    DebugMode = o.debug;
    if (LoadExtraPages && isVisible()) LoadExtraPages();
    ApplyOptions();
}

void TfrmOptions::ApplyOptions() {
    const int ms = PeriodMsOfIndex(cbCheckPeriod->currentIndex());
    if (ms > 0) {
        CheckPeriodMs = ms;
    } else if (CheckPeriodMs <= 0) {
        // Nothing loaded yet: without a period no reminder would ever come.
        CheckPeriodMs = PeriodMsOfIndex(StoredOptions().checkPeriodIndex);
    }
    StartupEnabled = chbStartup->isChecked();
    DesktopNotify = chbDesktopNotify->isChecked();
    NotifyDays = udNotifyDays->value();
    NotifyTime = TimeOf(FromQTime(dtpNotifyTime->time()));
}

void TfrmOptions::btnOkClick() {
    // The dialog closes even when a step fails: its report has been shown,
    // and what was done so far stays done.
    Guarded([&] {
        StoredOptions o;
        o.checkPeriodIndex = cbCheckPeriod->currentIndex();
        o.startup = chbStartup->isChecked();
        o.desktopNotify = chbDesktopNotify->isChecked();
        o.notifyDays = udNotifyDays->value();
        o.notifyTime = TimeOf(FromQTime(dtpNotifyTime->time()));
        WriteStoredOptions(o);
        ApplyOptions();
        if (!DebugMode) {
            if (StartupEnabled)
                Autostart::WriteEntry(ExePath());
            else
                Autostart::DeleteEntry();
        }
        if (ReminderTimer) SetTimerPeriod(ReminderTimer, CheckPeriodMs);
        if (StoreExtraPages) StoreExtraPages();
    });
    accept();
}

void TfrmOptions::ShowOn(QWidget* page) {
    PageControl->setCurrentWidget(page);
    ShowModal(this);
}

void TfrmOptions::setVisible(bool visible) {
    if (visible && !isVisible()) CentreOnScreen(this);
    QDialog::setVisible(visible);
}

void TfrmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;  // back from minimised: keep the edits
    Guarded([&] {
        FormShow();
        if (PageControl->currentWidget() == tshCalendar)
            udNotifyDays->setFocus();
        else
            cbCheckPeriod->setFocus();
    });
}
