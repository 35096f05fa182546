#include "calendar/BirthAll.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "calendar/BirthAdd.h"
#include "calendar/CalendarRouts.h"
#include "calendar/EventListModel.h"
#include "core/DateTime.h"
#include "data/DataModule.h"
#include "data/Records.h"
#include "plan/ListPage.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/WindowPlace.h"

TfrmBirthAll* frmBirthAll = nullptr;

namespace {

QAction* command(QObject* parent, const char* name, const char* picture, const char* tip) {
    auto* a = new QAction(QIcon(AssetPicture(QString::fromUtf8(picture))), QString::fromUtf8(tip),
                          parent);
    a->setObjectName(QLatin1String(name));
    a->setToolTip(QString::fromUtf8(tip));
    return a;
}

// The usual width of a column, or more where the desktop's font (wider than
// the one the widths were made for) would cut a kind's name or a title.
int columnWidth(QTableView* view, int column) {
    int width = EventListModel::ColumnWidths[column];
    width = std::max(width, view->horizontalHeader()->sectionSizeHint(column));
    if (column == EventListModel::ColKind) {
        const QFontMetrics m(view->font());
        const int margin =
            view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        for (const char* name : EventKindNames)
            width = std::max(width, m.horizontalAdvance(QString::fromUtf8(name)) + 2 * margin + 4);
    }
    return width;
}

QToolButton* pictureButton(QWidget* strip, QAction* action, int x) {
    auto* b = new QToolButton(strip);
    b->setDefaultAction(action);
    b->setIconSize(QSize(16, 16));
    b->setGeometry(x, 4, 25, 22);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

TfrmBirthAll::TfrmBirthAll(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Список всех событий"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    resize(650, 347);

    ListView = new QTableView(this);
    Events = new EventListModel(ListView);
    ListPage::Options options;
    options.askWithNothingChosen = true;
    list_ = new ListPage(ListView, Events, options,
                         {[this] { BirthAdd(); }, [this] { BirthEdit(); },
                          [this] { BirthDelete(); }, [this] { BirthSelectAll(); },
                          [this](QKeyEvent* e, bool& handled) { ListViewKeyDown(e, handled); },
                          [this] { ListViewDblClick(); }});
    for (int c = 0; c < EventListModel::ColumnCount; ++c)
        ListView->setColumnWidth(c, columnWidth(ListView, c));
    // Wide enough at first for every column, when the desktop's font widens them.
    resize(std::max(width(), ListView->horizontalHeader()->length() + 2 * ListView->frameWidth() +
                                 ListView->verticalScrollBar()->sizeHint().width()),
           height());

    acBirthAdd = command(this, "acBirthAdd", ":/event_add_16.png", "Новое событие (Ins)");
    acBirthEdit = command(this, "acBirthEdit", ":/event_edit_16.png", "Редактировать событие (F2)");
    acBirthDelete = command(this, "acBirthDelete", ":/event_delete_16.png", "Удалить (Del)");
    connect(acBirthAdd, &QAction::triggered, this, GUARDED(this, BirthAdd));
    connect(acBirthEdit, &QAction::triggered, this, GUARDED(this, BirthEdit));
    connect(acBirthDelete, &QAction::triggered, this, GUARDED(this, BirthDelete));

    auto* strip = new QWidget(this);
    strip->setFixedHeight(31);
    btnBirthAdd = pictureButton(strip, acBirthAdd, 8);
    btnBirthEdit = pictureButton(strip, acBirthEdit, 32);
    btnBirthDelete = pictureButton(strip, acBirthDelete, 56);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListView);
    layout->addWidget(strip);
}

void TfrmBirthAll::setVisible(bool visible) {
    if (visible && !isVisible()) CentreOnScreen(this);
    QDialog::setVisible(visible);
}

void TfrmBirthAll::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([&] { FormShow(); });
}

void TfrmBirthAll::FormShow() {
    if (DayListMode) {
        const DateParts d = DecodeDate(SelectedDate);
        setWindowTitle(QStringLiteral("События дня: %1, %2").arg(GetMonthName(d.month)).arg(d.day));
    } else {
        setWindowTitle(QStringLiteral("Список всех событий"));
    }
    std::vector<EventRow> rows;
    if (DM && DM->IsConnected()) rows = BuildEventRows(DM->cdsBirth, DayListMode, SelectedDate);
    Events->Reset(std::move(rows));
}

void TfrmBirthAll::eventsChanged() {
    if (RepaintCalendar) RepaintCalendar();
    FormShow();
}

void TfrmBirthAll::BirthAdd() {
    TfrmBirthAdd& e = *frmBirthAdd;
    e.setWindowTitle(QStringLiteral("Новое событие"));
    e.PresetNew(SelectedDate, true);
    if (ShowModal(&e) != QDialog::Accepted) return;
    e.AddEvent(e.Values());
    eventsChanged();
}

void TfrmBirthAll::BirthEdit() {
    // Only the ID is kept across the dialog: ticks and sends inside it may
    // move the table's current row.
    const std::optional<int> chosen = list_->FirstChosenId();
    if (!chosen) return;
    const int id = *chosen;
    TMemTable& t = DM->cdsBirth;
    if (!t.Locate(id)) return;
    TfrmBirthAdd& e = *frmBirthAdd;
    e.setWindowTitle(QStringLiteral("Редактировать событие"));
    e.PresetEdit(ReadEventValues(t));
    if (ShowModal(&e) != QDialog::Accepted) return;
    if (!t.Locate(id)) return;
    t.Edit();
    WriteEventValues(t, e.Values());
    t.Post();
    DM->ApplyTable(t);
    eventsChanged();
}

void TfrmBirthAll::BirthDelete() {
    list_->DeleteChosen(*DM, DM->cdsBirth, QStringLiteral("Удалить выделенные события?"),
                        [this] { eventsChanged(); });
}

void TfrmBirthAll::BirthSelectAll() {
    ListView->selectAll();
}

void TfrmBirthAll::ListViewDblClick() {
    list_->DoubleClick();
}

void TfrmBirthAll::ListViewKeyDown(QKeyEvent* event, bool& handled) {
    list_->KeyDown(event, handled);
}
