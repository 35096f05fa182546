#include "remind/Notify.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimeEdit>
#include <algorithm>

#include "core/Clock.h"
#include "core/Error.h"
#include "core/ExePath.h"
#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/WindowPlace.h"
#include "remind/Postpone.h"
#include "remind/RemindAfter.h"
#include "remind/RemindIn.h"

QString AlarmSoundPath() {
    return ExeDir() + QStringLiteral("notify.wav");
}

QString OpenAlarmSound(SoundPlayer& player) {
    try {
        player.Open(AlarmSoundPath());
        return {};
    } catch (...) {
        return CurrentErrorText();
    }
}

bool PlayAlarmSound(SoundPlayer& player, QString& openError, QString* error) {
    // Closed after an earlier alarm, or the file could not be read when the
    // window was made: try the file once more.
    if (!player.IsOpen()) openError = OpenAlarmSound(player);
    QString failure = openError;
    if (failure.isEmpty()) {
        try {
            player.Play();
        } catch (...) {
            failure = CurrentErrorText();
        }
    }
    player.Close();
    if (error) *error = failure;
    return failure.isEmpty();
}

TfrmNotify::TfrmNotify(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Напоминание (план)"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(341, 277);

    Image1 = new QLabel(this);
    Image1->setGeometry(8, 8, 48, 48);
    Image1->setPixmap(AssetPicture(QStringLiteral(":/notify_48.png")));

    Memo = new QPlainTextEdit(this);
    Memo->setGeometry(8, 64, 321, 161);
    Memo->setReadOnly(true);
    QPalette memoPalette = Memo->palette();
    memoPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
    Memo->setPalette(memoPalette);

    chbExecuted = new QCheckBox(QStringLiteral("Выполнено"), this);
    chbExecuted->setGeometry(8, 248, 117, 20);

    // Neither button is the default nor the cancel button: Enter presses
    // the focused one (auto-default), Esc does nothing.
    btnLater = new QPushButton(QStringLiteral("Напомнить познее"), this);
    btnLater->setGeometry(133, 245, 115, 25);
    btnLater->setAutoDefault(true);
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setGeometry(256, 245, 75, 25);
    btnOk->setAutoDefault(true);

    popmLater = new QMenu(this);
    N5m = popmLater->addAction(QStringLiteral("Через 5 минут"));
    N15m = popmLater->addAction(QStringLiteral("Через 15 минут"));
    N30m = popmLater->addAction(QStringLiteral("Через 30 минут"));
    N1h = popmLater->addAction(QStringLiteral("Через 1 час"));
    N2h = popmLater->addAction(QStringLiteral("Через 2 часа"));
    popmLater->addSeparator();
    N1d = popmLater->addAction(QStringLiteral("Через день"));
    N2d = popmLater->addAction(QStringLiteral("Через 2 дня"));
    N5d = popmLater->addAction(QStringLiteral("Через 5 дней"));
    NtimeAfter = popmLater->addAction(QStringLiteral("Напомнить через ..."));
    popmLater->addSeparator();
    Nt8 = popmLater->addAction(QStringLiteral("Завтра в 8.00"));
    Nt12 = popmLater->addAction(QStringLiteral("Завтра в 12.00"));
    NtimeIn = popmLater->addAction(QStringLiteral("Напомнить в ..."));

    connect(btnOk, &QPushButton::clicked, this, GUARDED(this, btnOkClick));
    connect(btnLater, &QPushButton::clicked, this, GUARDED(this, btnLaterClick));
    connect(popmLater, &QMenu::triggered, this,
            [this](QAction* item) { Guarded([&] { Nt12Click(item); }); });
    FitToDesktop(this);

    // A missing or broken chime must not cost the reminder: the error is
    // kept for PlayAlarm to report.
    soundError_ = OpenAlarmSound(MPA);
}

TfrmNotify::~TfrmNotify() = default;

bool TfrmNotify::PlayAlarm(QString* error) {
    return PlayAlarmSound(MPA, soundError_, error);
}

void TfrmNotify::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Guarded([&] { FormShow(); });
}

void TfrmNotify::keyPressEvent(QKeyEvent* event) {
    Guarded([&] {
        switch (event->key()) {
            case Qt::Key_Escape:
            case Qt::Key_Enter:
            case Qt::Key_Return:
                // A focused button takes Enter itself; elsewhere it, and Esc
                // anywhere, does nothing.
                event->accept();
                break;
            default:
                QDialog::keyPressEvent(event);
        }
    });
}

void TfrmNotify::FormShow() {
    btnLater->setFocus();
    Postponed = false;
}

void TfrmNotify::CloseWithOutcome() {
    done(chbExecuted->isChecked() ? mrYes : mrOk);
}

void TfrmNotify::btnOkClick() {
    CloseWithOutcome();
}

void TfrmNotify::btnLaterClick() {
    popmLater->popup(btnLater->mapToGlobal(QPoint(0, btnLater->height())));
}

void TfrmNotify::Nt12Click(QAction* item) {
    Postponed = true;
    const std::pair<QAction*, PostponeChoice> fixed[] = {
        {N5m, PostponeChoice::In5Minutes},   {N15m, PostponeChoice::In15Minutes},
        {N30m, PostponeChoice::In30Minutes}, {N1h, PostponeChoice::In1Hour},
        {N2h, PostponeChoice::In2Hours},     {N1d, PostponeChoice::In1Day},
        {N2d, PostponeChoice::In2Days},      {N5d, PostponeChoice::In5Days},
        {Nt8, PostponeChoice::Tomorrow8},    {Nt12, PostponeChoice::Tomorrow12}};
    auto choice = std::find_if(std::begin(fixed), std::end(fixed),
                               [item](const auto& f) { return f.first == item; });
    if (choice != std::end(fixed)) {
        PostponeTo = PostponeMoment(choice->second, Now());
    } else if (item == NtimeAfter) {
        if (ShowModal(frmRemindAfter) != QDialog::Accepted) {
            Postponed = false;
            return;
        }
        PostponeTo = PostponeAfter(Now(), frmRemindAfter->Edit1->value(),
                                   frmRemindAfter->Edit2->value(), frmRemindAfter->Edit3->value());
    } else if (item == NtimeIn) {
        if (ShowModal(frmRemindIn) != QDialog::Accepted) {
            Postponed = false;
            return;
        }
        PostponeTo = PostponeAt(frmRemindIn->dtpDate->date(), frmRemindIn->dtpTime->time());
    } else {
        Postponed = false;
        return;
    }
    CloseWithOutcome();
}
