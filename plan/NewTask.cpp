#include "plan/NewTask.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimeEdit>
#include <QToolTip>
#include <algorithm>

#include "core/Formats.h"
#include "core/StorableText.h"
#include "core/Win1251.h"
#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/Win1251Validator.h"
#include "platform/WindowPlace.h"

TfrmNewTask* frmNewTask = nullptr;

TfrmNewTask::TfrmNewTask(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Новое задание"));
    setFixedSize(346, 409);
    setWindowFlags(FixedDialogFlags);

    // Title and category.
    auto* top = new QGroupBox(this);
    top->setGeometry(8, 4, 330, 112);
    auto* l1 = new QLabel(QStringLiteral("Задание"), top);
    l1->setGeometry(10, 10, 300, 18);
    edCaption = new QLineEdit(top);
    edCaption->setGeometry(10, 28, 310, 24);
    auto* l2 = new QLabel(QStringLiteral("Категория"), top);
    l2->setGeometry(10, 58, 300, 18);
    edCategory = new QLineEdit(top);
    edCategory->setGeometry(10, 76, 310, 24);
    l1->setBuddy(edCaption);
    l2->setBuddy(edCategory);
    // Only what the database can store is typed in.
    edCaption->setValidator(new Win1251Validator(edCaption));
    edCategory->setValidator(new Win1251Validator(edCategory));

    // The reminder.
    auto* mid = new QGroupBox(this);
    mid->setGeometry(8, 120, 330, 100);
    chbNeedAlert = new QCheckBox(QStringLiteral("Напоминить"), mid);
    chbNeedAlert->setGeometry(10, 10, 200, 22);
    lbDate = new QLabel(QStringLiteral("Дата"), mid);
    lbDate->setGeometry(10, 38, 120, 18);
    dtpDate = new QDateEdit(mid);
    dtpDate->setGeometry(10, 56, 130, 26);
    dtpDate->setDisplayFormat(ShortDateFormat());
    dtpDate->setCalendarPopup(true);
    dtpDate->setLocale(FormatLocale());  // the drop-down month calendar in Russian
    // As far back as the picker goes: a stored date is shown as it is.
    dtpDate->setMinimumDate(QDate(100, 1, 1));
    lbTime = new QLabel(QStringLiteral("Время"), mid);
    lbTime->setGeometry(150, 38, 110, 18);
    dtpTime = new QTimeEdit(mid);
    dtpTime->setGeometry(150, 56, 110, 26);
    dtpTime->setDisplayFormat(LongTimeFormat());
    lbDate->setBuddy(dtpDate);
    lbTime->setBuddy(dtpTime);
    auto* picture = new QLabel(mid);
    picture->setPixmap(AssetPicture(QStringLiteral(":/task_32.png")));
    picture->setGeometry(284, 12, 32, 32);

    // Details and the done mark.
    auto* bottom = new QGroupBox(this);
    bottom->setGeometry(8, 224, 330, 140);
    auto* l3 = new QLabel(QStringLiteral("Подробности"), bottom);
    l3->setGeometry(10, 8, 300, 18);
    mmDetails = new QPlainTextEdit(bottom);
    mmDetails->setGeometry(10, 26, 310, 80);
    mmDetails->setTabChangesFocus(true);
    l3->setBuddy(mmDetails);
    chbExecuted = new QCheckBox(QStringLiteral("Выполнено"), bottom);
    chbExecuted->setGeometry(10, 110, 200, 22);

    AddOkCancel(this, QRect(176, 374, 75, 27), QRect(262, 374, 75, 27), btnOk, btnCancel);

    setTabOrder(edCaption, edCategory);
    setTabOrder(edCategory, chbNeedAlert);
    setTabOrder(chbNeedAlert, dtpDate);
    setTabOrder(dtpDate, dtpTime);
    setTabOrder(dtpTime, mmDetails);
    setTabOrder(mmDetails, chbExecuted);
    setTabOrder(chbExecuted, btnOk);
    setTabOrder(btnOk, btnCancel);

    connect(chbNeedAlert, &QCheckBox::toggled, this,
            [this] { Guarded([&] { chbNeedAlertClick(); }); });
    connect(mmDetails, &QPlainTextEdit::textChanged, this,
            [this] { Guarded([&] { detailsChanged(); }); });
    FitToDesktop(this);
}

void TfrmNewTask::detailsChanged() {
    if (dropUnstorable()) return;  // the change that did it comes back here
    cutDetailsToLimit();
}

// A typed or pasted character that Windows-1251 cannot hold is taken out
// again at once, as the line boxes leave it out, so nothing turns into "?".
bool TfrmNewTask::dropUnstorable() {
    const QString text = mmDetails->toPlainText();
    qsizetype bad = -1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (text[i] != u'\n' && !IsWin1251Char(text[i])) {
            bad = i;
            break;
        }
    }
    if (bad < 0) return false;
    // Said by the box, not in a window: the typing goes on.
    QToolTip::showText(mmDetails->mapToGlobal(QPoint(0, mmDetails->height())),
                       LeftOutNotice(KeepStorable(text, 0).leftOut), mmDetails);
    QTextCursor cut(mmDetails->document());
    cut.joinPreviousEditBlock();  // one undo step with the insertion
    for (qsizetype i = bad; i >= 0; --i) {
        if (text[i] == u'\n' || IsWin1251Char(text[i])) continue;
        cut.setPosition(int(i));
        cut.setPosition(int(i) + 1, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
    cut.endEditBlock();
    return true;
}

void TfrmNewTask::cutDetailsToLimit() {
    // The column holds so many characters, a line break taking as many as
    // it is stored with: what was just typed or pasted is cut to the room
    // left, as a box with a length limit does. The text around it and the
    // cursor stay.
    QString text = mmDetails->toPlainText();
    const qsizetype breakWidth = lineBreak_.size();
    qsizetype over =
        detailsLimit_ > 0 ? text.size() + text.count(u'\n') * (breakWidth - 1) - detailsLimit_ : 0;
    if (over > 0) {
        // The new part: what lies between the beginning and the end that the
        // text shares with the one before.
        const QString& before = detailsText_;
        const qsizetype shorter = std::min(before.size(), text.size());
        qsizetype head = 0;
        while (head < shorter && before[head] == text[head])
            ++head;
        qsizetype tail = 0;
        while (tail < shorter - head &&
               before[before.size() - 1 - tail] == text[text.size() - 1 - tail])
            ++tail;
        qsizetype end = text.size() - tail;
        qsizetype stop = head;
        if (end <= stop) {  // nothing new: the end of the text
            end = text.size();
            stop = 0;
        }
        qsizetype start = end;
        while (over > 0 && start > stop) {
            --start;
            over -= text[start] == u'\n' ? breakWidth : 1;
        }
        QTextCursor cut(mmDetails->document());
        cut.joinPreviousEditBlock();  // one undo step with the insertion
        cut.setPosition(int(start));
        cut.setPosition(int(end), QTextCursor::KeepAnchor);
        cut.removeSelectedText();
        cut.endEditBlock();
        text.remove(start, end - start);
    }
    detailsText_ = text;
}

void TfrmNewTask::setVisible(bool visible) {
    if (visible && !isVisible()) CentreOnScreen(this);
    QDialog::setVisible(visible);
}

void TfrmNewTask::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([&] { FormShow(); });
}

void TfrmNewTask::FormShow() {
    edCaption->setFocus(Qt::OtherFocusReason);
}

void TfrmNewTask::chbNeedAlertClick() {
    const bool on = chbNeedAlert->isChecked();
    lbDate->setVisible(on);
    dtpDate->setVisible(on);
    lbTime->setVisible(on);
    dtpTime->setVisible(on);
}

namespace {
QTime toSecond(const QTime& t) {
    return t.isValid() ? QTime(t.hour(), t.minute(), t.second()) : t;
}
}  // namespace

TDateTime TfrmNewTask::PickedMoment() const {
    const bool sameDate = dtpDate->date() == dateShown_;
    const bool sameTime = toSecond(dtpTime->time()) == toSecond(timeShown_);
    if (sameDate && sameTime) return momentSet_;
    qint64 days = 0, ms = 0;
    SplitDateTime(momentSet_, days, ms);
    if (!sameDate) {
        qint64 unused = 0;
        SplitDateTime(FromQDate(dtpDate->date()), days, unused);
    }
    if (!sameTime) {
        const QTime t = dtpTime->time();
        ms = ((t.hour() * 60 + t.minute()) * 60 + t.second()) * qint64(1000);
    }
    return JoinDateTime(days, ms);
}

void TfrmNewTask::SetPickedMoment(TDateTime moment) {
    momentSet_ = moment;
    dtpDate->setDate(ToQDate(moment));
    dtpTime->setTime(ToQTime(moment));
    // What the pickers show (a date before their range shows as their first day).
    dateShown_ = dtpDate->date();
    timeShown_ = dtpTime->time();
}

QString TfrmNewTask::DetailsText() const {
    const QString shown = mmDetails->toPlainText();
    if (shown == detailsShown_) return detailsSet_;
    QString text = shown;
    text.replace(u'\n', lineBreak_);
    return text;
}

void TfrmNewTask::SetDetailsText(const QString& text) {
    detailsSet_ = text;
    lineBreak_ = text.contains(u'\n') && !text.contains(QStringLiteral("\r\n"))
                     ? QStringLiteral("\n")
                     : QStringLiteral("\r\n");
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    {
        // The stored text is shown whole, never cut.
        const QSignalBlocker quiet(mmDetails);
        mmDetails->setPlainText(t);
    }
    detailsShown_ = mmDetails->toPlainText();
    detailsText_ = detailsShown_;
}

TaskFields TfrmNewTask::Fields() const {
    return {chbNeedAlert->isChecked(), PickedMoment(), edCaption->text(),
            edCategory->text(),        DetailsText(),  chbExecuted->isChecked()};
}

void TfrmNewTask::SetTextLimits(int caption, int category, int details) {
    if (caption > 0) edCaption->setMaxLength(caption);
    if (category > 0) edCategory->setMaxLength(category);
    detailsLimit_ = details;
}
