#include "calendar/BirthAll.h"

#include "core/ListKeys.h"

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
#include "core/ListKeys.h"
#include "data/DataModule.h"
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
    ListView->setModel(Events);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setShowGrid(false);
    ListView->setWordWrap(false);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView->verticalHeader()->setDefaultSectionSize(20);
    ListView->horizontalHeader()->setHighlightSections(false);
    ListView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < EventListModel::ColumnCount; ++c)
        ListView->setColumnWidth(c, columnWidth(ListView, c));
    // Wide enough at first for every column, when the desktop's font widens them.
    resize(std::max(width(), ListView->horizontalHeader()->length() + 2 * ListView->frameWidth() +
                                 ListView->verticalScrollBar()->sizeHint().width()),
           height());
    // The selection stays as visible when the list has no focus.
    QPalette pal = ListView->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    ListView->setPalette(pal);
    ListView->installEventFilter(this);
    ListView->viewport()->installEventFilter(this);

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

bool TfrmBirthAll::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView && event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { ListViewKeyDown(static_cast<QKeyEvent*>(event), handled); });
        return handled;
    }
    if (watched == ListView->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        Guarded([&] { ListViewDblClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
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

int TfrmBirthAll::firstSelectedRow() const {
    int first = -1;
    for (const QModelIndex& i : ListView->selectionModel()->selectedRows())
        if (first < 0 || i.row() < first) first = i.row();
    return first;
}

void TfrmBirthAll::selectRow(int row) {
    const QModelIndex index = Events->index(row, 0);
    ListView->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView->scrollTo(index);
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
    const int row = firstSelectedRow();
    if (row < 0) return;
    // Only the ID is kept across the dialog: ticks and sends inside it may
    // move the table's current row.
    const int id = Events->IdAt(row);
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
    // The chosen rows are taken before the question.
    std::vector<int> rows;
    for (const QModelIndex& i : ListView->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    const int remembered = rows.empty() ? -1 : rows.front();
    std::vector<int> ids;
    for (int r : rows)
        ids.push_back(Events->IdAt(r));

    if (MessageBox(QStringLiteral("Удалить выделенные события?"), QStringLiteral("Удаление"),
                   QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    TMemTable& t = DM->cdsBirth;
    for (int id : ids)
        if (t.Locate(id)) t.Delete();
    DM->ApplyTable(t);
    FormShow();
    const int count = Events->rowCount();
    if (remembered >= 0 && count > 0) selectRow(std::min(remembered, count - 1));
    if (RepaintCalendar) RepaintCalendar();
}

void TfrmBirthAll::BirthSelectAll() {
    ListView->selectAll();
}

void TfrmBirthAll::ListViewDblClick() {
    if (ListView->selectionModel()->hasSelection())
        BirthEdit();
    else
        BirthAdd();
}

void TfrmBirthAll::ListViewKeyDown(QKeyEvent* event, bool& handled) {
    handled = true;
    switch (ListKeyCommand(event->key(), event->modifiers())) {
        case ListKey::Add:
            BirthAdd();
            break;
        case ListKey::Delete:
            BirthDelete();
            break;
        case ListKey::Edit:
            BirthEdit();
            break;
        case ListKey::SelectAll:
            BirthSelectAll();
            break;
        case ListKey::Ignored:
            break;
        case ListKey::None:
            handled = false;
            break;
    }
}
