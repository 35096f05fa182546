#include "remind/BirthNotify.h"

#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/WindowPlace.h"
#include "remind/Notify.h"

TfrmBirthNotify::TfrmBirthNotify(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Напоминание (событие)"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(341, 277);

    Image1 = new QLabel(this);
    Image1->setGeometry(8, 8, 48, 48);
    Image1->setPixmap(AssetPicture(QStringLiteral(":/event_48.png")));

    Memo = new QPlainTextEdit(this);
    Memo->setGeometry(8, 64, 321, 161);
    Memo->setReadOnly(true);
    QPalette memoPalette = Memo->palette();
    memoPalette.setColor(QPalette::Base, palette().color(QPalette::Window));
    Memo->setPalette(memoPalette);

    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setGeometry(256, 245, 75, 25);
    connect(btnOk, &QPushButton::clicked, this, [this] { Guarded([&] { accept(); }); });
    FitToDesktop(this);

    // A missing or broken chime must not cost the notice.
    soundError_ = OpenAlarmSound(MP);
}

TfrmBirthNotify::~TfrmBirthNotify() = default;

bool TfrmBirthNotify::PlayAlarm(QString* error) {
    return PlayAlarmSound(MP, soundError_, error);
}

void TfrmBirthNotify::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Guarded([&] { FormShow(); });
}

void TfrmBirthNotify::FormShow() {
    btnOk->setFocus();
}
