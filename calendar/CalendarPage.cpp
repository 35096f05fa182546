#include "calendar/CalendarPage.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>
#include <optional>

#include "calendar/BirthAdd.h"
#include "calendar/BirthAll.h"
#include "calendar/BirthLegend.h"
#include "calendar/CalendarRouts.h"
#include "calendar/EventRows.h"
#include "core/EventDates.h"
#include "core/Formats.h"
#include "data/DataModule.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"

namespace {

QRegion region(const TRect& r) {
    return QRegion(r.Left, r.Top, r.Width(), r.Height());
}

QRegion frameArea(TDateTime date) {
    return region(SelectFrameArea(GetDayRect(date)));
}

}  // namespace

void TPaintBox::paintEvent(QPaintEvent* event) {
    if (OnPaint) Guarded([&] { OnPaint(event); });
}
void TPaintBox::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) Guarded([&] { OnMouseDown(event); });
}
void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick) Guarded([&] { OnDblClick(event); });
}
void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) Guarded([&] { OnMouseMove(event); });
}

TCalendarPage::TCalendarPage(QWidget* page, QMenu* popmBirth)
    : QObject(page), page_(page), popmBirth_(popmBirth) {
    ScrollBox1 = new QScrollArea(page);
    QPalette white = ScrollBox1->palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Window, Qt::white);
    ScrollBox1->setPalette(white);
    ScrollBox1->setBackgroundRole(QPalette::Base);
    ScrollBox1->setAutoFillBackground(true);
    ScrollBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);  // the keys belong to the focus holder
    auto* holder = new QWidget;
    holder->setPalette(white);
    holder->setAutoFillBackground(true);
    // The focus holder first: it comes first in the page's tab order.
    edControlCalendarPB = new QLineEdit(holder);
    edControlCalendarPB->setGeometry(16, 16, 121, 21);
    edControlCalendarPB->installEventFilter(this);
    PB = new TPaintBox(holder);
    PB->setGeometry(0, 0, CalendarWidth, CalendarHeight);
    PB->setAttribute(Qt::WA_OpaquePaintEvent);
    PB->setMouseTracking(true);
    PB->OnPaint = [this](QPaintEvent* e) { paintSurface(e); };
    PB->OnMouseDown = [this](QMouseEvent* e) { PBMouseDown(e); };
    PB->OnDblClick = [this](QMouseEvent* e) {
        // The second press of a double click: the day under it, then the list.
        PBMouseDown(e);
        PBDblClick();
    };
    PB->OnMouseMove = [this](QMouseEvent* e) { PBMouseMove(e); };
    holder->setFixedSize(CalendarWidth, CalendarHeight);
    ScrollBox1->setWidget(holder);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox1);
    connect(ScrollBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        Guarded([&] { popmBirth_->popup(ScrollBox1->viewport()->mapToGlobal(p)); });
    });
}

bool TCalendarPage::pageActive() const {
    return page_->isVisible();
}

// ---- Painting

bool TCalendarPage::canvasCurrent() const {
    const qreal dpr = PB->devicePixelRatioF();
    return !canvas_.isNull() && canvas_.devicePixelRatio() == dpr &&
           canvas_.size() == PB->size() * dpr;
}

void TCalendarPage::PBPaint() {
    const qreal dpr = PB->devicePixelRatioF();
    if (!canvasCurrent()) {
        canvas_ = QImage(PB->size() * dpr, QImage::Format_RGB32);
        canvas_.setDevicePixelRatio(dpr);
    }
    ++fullPaints_;
    QPainter p(&canvas_);
    if (CalendarYear == 0) {  // before the first showing there is no year
        p.fillRect(PB->rect(), Qt::white);
        return;
    }
    DrawYear(p, CalendarYear, DayRects);
    DrawToday(p);
    ShowSelectedDay(p, CalendarFocused, SelectedDate);
    if (!DM || !DM->IsConnected()) return;
    // Event cells after the frames: the frames lie outside the cells. A day
    // of several events shows the kind of its last row.
    const std::vector<std::optional<int>> kinds = EventKindsOfYear(DM->cdsBirth, CalendarYear);
    const TDateTime jan1 = EncodeDate(CalendarYear, 1, 1);
    for (size_t day = 0; day < kinds.size() && day < DayRects.size(); ++day)
        if (kinds[day])
            DrawEventDay(p, DayRects[day], DecodeDate(jan1 + double(day)).day, *kinds[day]);
}

void TCalendarPage::paintSurface(QPaintEvent* event) {
    const QRegion asked = event->region();
    // Anything beyond the small changes already drawn is painted afresh.
    if (!canvasCurrent() || !(asked - changed_).isEmpty()) PBPaint();
    changed_ = QRegion();
    QPainter p(PB);
    const qreal dpr = canvas_.devicePixelRatio();
    for (const QRect& r : asked)
        p.drawImage(QRectF(r), canvas_,
                    QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
}

void TCalendarPage::drawChange(const std::function<void(QPainter&)>& draw, const QRegion& area) {
    if (!canvasCurrent()) {
        // Nothing drawn yet (or for another pixel ratio): the full paint
        // to come draws the state as it is then.
        PB->update();
        return;
    }
    {
        QPainter p(&canvas_);
        draw(p);
    }
    changed_ += area;
    PB->update(area);
}

void TCalendarPage::Repaint() {
    changed_ = QRegion();
    PB->update();
}

// ---- Selection and focus

void TCalendarPage::moveSelection(TDateTime date) {
    const TDateTime old = SelectedDate;
    SelectedDate = date;
    drawChange(
        [&](QPainter& p) {
            HideSelectedDay(p, old);
            ShowSelectedDay(p, CalendarFocused, date);
        },
        frameArea(old) + frameArea(date));
}

void TCalendarPage::PBMouseDown(QMouseEvent* event) {
    edControlCalendarPB->setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    TDateTime date;
    if (!GetDayAtPoint(DayRects, CalendarYear, at.x(), at.y(), date)) return;
    moveSelection(date);
}

void TCalendarPage::PBDblClick() {
    openList(true);
}

void TCalendarPage::PBMouseMove(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    TDateTime date;
    if (!GetDayAtPoint(DayRects, CalendarYear, at.x(), at.y(), date)) return;
    if (date == hintDay_) return;
    hintDay_ = date;
    QString hint = FormatShortDate(date);
    if (DM && DM->IsConnected()) {
        const QStringList names = EventNamesOn(DM->cdsBirth, date);
        for (const QString& name : names)
            hint += u'\n' + name;
    }
    PB->setToolTip(hint);
    // A hint on the screen follows the pointer to the new day.
    if (QToolTip::isVisible()) QToolTip::showText(event->globalPosition().toPoint(), hint, PB);
}

void TCalendarPage::edControlCalendarPBEnter() {
    CalendarFocused = true;
    drawChange([](QPainter& p) { ShowSelectedDay(p, true, SelectedDate); },
               frameArea(SelectedDate));
}

void TCalendarPage::edControlCalendarPBExit() {
    CalendarFocused = false;
    drawChange([](QPainter& p) { ShowSelectedDay(p, false, SelectedDate); },
               frameArea(SelectedDate));
}

void TCalendarPage::edControlCalendarPBKeyDown(QKeyEvent* event, bool& handled) {
    if (!pageActive()) return;
    CalendarKey key = CalendarKey::Other;
    switch (event->key()) {
        case Qt::Key_Left:
            key = CalendarKey::Left;
            break;
        case Qt::Key_Right:
            key = CalendarKey::Right;
            break;
        case Qt::Key_Up:
            key = CalendarKey::Up;
            break;
        case Qt::Key_Down:
            key = CalendarKey::Down;
            break;
        default:
            break;
    }
    moveSelection(MoveSelection(SelectedDate, key));
    // The box itself does nothing with Up and Down; they must not go on to
    // scroll the page.
    handled = key == CalendarKey::Up || key == CalendarKey::Down;
}

bool TCalendarPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edControlCalendarPB) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // A menu or another window taking the keyboard for a while
            // leaves the calendar's focus as it is.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
            if (event->type() == QEvent::FocusIn)
                Guarded([&] { edControlCalendarPBEnter(); });
            else
                Guarded([&] { edControlCalendarPBExit(); });
            break;
        }
        case QEvent::KeyPress: {
            bool handled = false;
            Guarded([&] { edControlCalendarPBKeyDown(static_cast<QKeyEvent*>(event), handled); });
            if (handled) return true;
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

// ---- Commands

void TCalendarPage::openList(bool dayMode) {
    DayListMode = dayMode;
    frmBirthAll->RepaintCalendar = [this] { Repaint(); };
    ShowModal(frmBirthAll);
}

void TCalendarPage::acCalendarOpenExecute() {
    openList(true);
}

void TCalendarPage::acCalendarOpenAllExecute() {
    openList(false);
}

void TCalendarPage::acCalendarLegendExecute() {
    frmBirthLegend->show();
    frmBirthLegend->raise();
    frmBirthLegend->activateWindow();
}

void TCalendarPage::acCalendarAddExecute() {
    TfrmBirthAdd& e = *frmBirthAdd;
    e.setWindowTitle(QStringLiteral("Новое событие"));
    e.PresetNew(SelectedDate, false);
    if (ShowModal(&e) != QDialog::Accepted) return;
    const EventValues written = e.Values();
    e.AddEvent(written);
    // Only the new event's cell is drawn, from its DATE and VID.
    const TDateTime date = written.date.toFloat();
    const DateParts d = DecodeDate(date);
    const int kind = int(written.vid.toInt());
    drawChange([&](QPainter& p) { MarkEventDay(p, d.day, d.month, kind, CalendarYear); },
               region(GetDayRect(EventDayInYear(date, CalendarYear))));
}
