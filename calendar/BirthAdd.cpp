#include "calendar/BirthAdd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "core/DateTime.h"
#include "core/EditorRule.h"
#include "core/Formats.h"
#include "data/DataModule.h"
#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/Win1251Validator.h"
#include "platform/WindowPlace.h"

TfrmBirthAdd* frmBirthAdd = nullptr;

namespace {

// A spinner whose text box can be reached, as an edit with its up-down.
class CategorySpin : public QSpinBox {
  public:
    using QSpinBox::lineEdit;
    using QSpinBox::QSpinBox;
};

QLabel* label(const char* text, QWidget* parent, int x, int y, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->move(x, y);
    l->setBuddy(buddy);
    return l;
}

// The date of `day` with the time of day of `moment`.
TDateTime onDay(const QDate& day, TDateTime moment) {
    qint64 days, ms;
    SplitDateTime(moment, days, ms);
    return JoinDateTime(qint64(FromQDate(day)), ms);
}

}  // namespace

TfrmBirthAdd::TfrmBirthAdd(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Новое событие"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(298, 298);

    edCaption = new QLineEdit(this);
    edCaption->setGeometry(16, 32, 265, 24);
    dtpBDate = new QDateEdit(this);
    dtpBDate->setGeometry(16, 80, 145, 24);
    dtpBDate->setDisplayFormat(ShortDateFormat());
    dtpBDate->setCalendarPopup(true);
    dtpBDate->setMinimumDate(QDate(100, 1, 1));
    cbVid = new QComboBox(this);
    cbVid->setGeometry(16, 128, 145, 24);
    for (const char* name : EventKindNames)
        cbVid->addItem(QString::fromUtf8(name));
    cbVid->setCurrentIndex(0);
    auto* spin = new CategorySpin(this);
    spin->setGeometry(184, 128, 81 + 16, 24);
    spin->setRange(0, 100);
    spin->setSingleStep(1);
    udCategory = spin;
    edCategory = spin->lineEdit();
    edComment = new QLineEdit(this);
    edComment->setGeometry(16, 176, 265, 24);
    chbNotified = new QCheckBox(QStringLiteral("Прошло"), this);
    chbNotified->setGeometry(16, 208, 200, 20);
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(16, 232, 265, 2);

    label("Событие", this, 16, 16, edCaption);
    label("Дата", this, 16, 64, dtpBDate);
    label("Вид события", this, 16, 112, cbVid);
    label("Категория (1..10)", this, 184, 112, udCategory);
    label("Комментарий", this, 16, 160, edComment);

    // Only what the database's code page can store is typed in.
    for (QLineEdit* box : {edCaption, edComment})
        box->setValidator(new Win1251Validator(box));

    AddOkCancel(this, QRect(128, 264, 75, 25), QRect(208, 264, 75, 25), btnOk, btnCancel);

    setTabOrder(edCaption, dtpBDate);
    setTabOrder(dtpBDate, cbVid);
    setTabOrder(cbVid, udCategory);
    setTabOrder(udCategory, edComment);
    setTabOrder(edComment, chbNotified);
    setTabOrder(chbNotified, btnOk);
    setTabOrder(btnOk, btnCancel);
    FitToDesktop(this);
}

void TfrmBirthAdd::setVisible(bool visible) {
    if (visible && !isVisible()) CentreOnScreen(this);
    QDialog::setVisible(visible);
}

void TfrmBirthAdd::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([&] { FormShow(); });
}

void TfrmBirthAdd::FormShow() {
    edCaption->setFocus(Qt::OtherFocusReason);
}

void TfrmBirthAdd::limitTexts() {
    if (!DM) return;
    const TMemTable& t = DM->cdsBirth;
    auto size = [&](const char* name) {
        const int i = t.FieldIndex(QLatin1String(name));
        return i < 0 ? 0 : t.Fields()[size_t(i)].size;
    };
    if (const int n = size("CAPTION"); n > 0) edCaption->setMaxLength(n);
    if (const int n = size("COMMENT"); n > 0) edComment->setMaxLength(n);
}

void TfrmBirthAdd::notePreset() {
    preset_ = {edCaption->text(),     edComment->text(),   dtpBDate->date(),
               cbVid->currentIndex(), udCategory->value(), chbNotified->isChecked()};
}

void TfrmBirthAdd::PresetNew(TDateTime date, bool resetKindAndState) {
    limitTexts();
    stored_.reset();
    edCaption->clear();
    dtpBDate->setDate(ToQDate(date));
    if (resetKindAndState) {
        cbVid->setCurrentIndex(0);
        chbNotified->setChecked(false);
    }
    udCategory->setValue(1);
    edComment->clear();
    notePreset();
}

void TfrmBirthAdd::PresetEdit(const EventValues& v) {
    limitTexts();
    stored_ = v;
    edCaption->setText(v.caption.toText());
    dtpBDate->setDate(ToQDate(v.date.toFloat()));
    // A kind written elsewhere outside the list shows the first entry.
    const qint64 vid = v.vid.toInt();
    cbVid->setCurrentIndex(vid >= 0 && vid < cbVid->count() ? int(vid) : 0);
    udCategory->setValue(
        int(std::clamp<qint64>(v.category.toInt(), udCategory->minimum(), udCategory->maximum())));
    edComment->setText(v.comment.toText());
    chbNotified->setChecked(v.notified.toFlag());
    notePreset();
}

EventValues TfrmBirthAdd::Values() const {
    const bool editing = stored_.has_value();
    unsigned leftAlone = 0, bit = 1;
    auto kept = [&](const auto& opened, const auto& now, Value typed, const Value& stored) {
        std::optional<Value> v = FieldToWrite(editing, opened, now, std::move(typed));
        if (!v) leftAlone |= bit;
        bit <<= 1;
        return v ? *v : stored;
    };
    const EventValues none;
    const EventValues& s = editing ? *stored_ : none;
    const Shown& p = preset_;
    const QDate date = dtpBDate->date();
    EventValues v{
        kept(p.caption, edCaption->text(), Value::FromText(edCaption->text()), s.caption),
        kept(p.date, date,
             Value::FromFloat(editing ? onDay(date, s.date.toFloat()) : FromQDate(date)), s.date),
        kept(p.vid, cbVid->currentIndex(), Value::FromInt(cbVid->currentIndex()), s.vid),
        kept(p.category, udCategory->value(), Value::FromInt(udCategory->value()), s.category),
        kept(p.comment, edComment->text(), Value::FromText(edComment->text()), s.comment),
        kept(p.notified, chbNotified->isChecked(),
             Value::FromText(FlagText(chbNotified->isChecked())), s.notified)};
    v.leftAlone = leftAlone;
    return v;
}

int TfrmBirthAdd::AddEvent(const EventValues& values) {
    const int id = DM->NewBirthId();
    TMemTable& t = DM->cdsBirth;
    t.Append();
    t.FieldByName(QStringLiteral("ID")).SetInteger(id);
    t.FieldByName(QStringLiteral("USER_ID")).SetInteger(CurrentUserId);
    WriteEventValues(t, values);
    t.Post();
    DM->ApplyTable(t);
    return id;
}
