#include "plan/ListPage.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <algorithm>

#include "core/ListKeys.h"
#include "data/DataModule.h"
#include "plan/RowListModel.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"

ListPage::ListPage(QTableView* view, IdListModel* model, const Options& options, Handlers handlers)
    : QObject(view), view_(view), model_(model), options_(options), handlers_(std::move(handlers)) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(options.grid);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(20);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Each column at least as wide as its caption in the desktop's font.
    for (int c = 0; c < model->columnCount(); ++c)
        view->setColumnWidth(c, std::max(model->ColumnWidth(c, *view),
                                         view->horizontalHeader()->sectionSizeHint(c)));
    // The selection stays as visible when the list has no focus.
    QPalette pal = view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(pal);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    if (QMenu* menu = options.menu) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [view, menu](const QPoint& p) {
            Guarded([&] { menu->popup(view->viewport()->mapToGlobal(p)); });
        });
    }
}

bool ListPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { handlers_.keyDown(static_cast<QKeyEvent*>(event), handled); });
        return handled;
    }
    if (watched == view_->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            Guarded([&] { handlers_.doubleClick(); });
            return true;
        }
        if (options_.pressBelowRowsKeepsSelection && event->type() == QEvent::MouseButtonPress) {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (!view_->indexAt(me->position().toPoint()).isValid()) return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::vector<int> ListPage::ChosenRows() const {
    // The rows straight from the ranges of whole rows: asking row by row
    // whether it is chosen walks every range for each row, and thousands of
    // rows picked one by one are thousands of ranges.
    const QItemSelection chosen = view_->selectionModel()->selection();
    const int columns = model_->columnCount();
    std::vector<int> rows;
    for (const QItemSelectionRange& range : chosen) {
        if (!range.isValid()) continue;
        if (range.left() != 0 || range.right() != columns - 1) return ChosenRowsOneByOne();
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int> ListPage::ChosenRowsOneByOne() const {
    std::vector<int> rows;
    for (const QModelIndex& i : view_->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::optional<int> ListPage::FirstChosenId() const {
    const std::vector<int> rows = ChosenRows();
    if (rows.empty()) return std::nullopt;
    return model_->IdAt(rows.front());
}

void ListPage::SelectRow(int row) {
    const QModelIndex index = model_->index(row, 0);
    view_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->scrollTo(index);
}

void ListPage::KeyDown(QKeyEvent* event, bool& handled) {
    handled = true;
    switch (ListKeyCommand(event->key(), event->modifiers())) {
        case ListKey::Add:
            handlers_.add();
            break;
        case ListKey::Delete:
            handlers_.remove();
            break;
        case ListKey::Edit:
            handlers_.edit();
            break;
        case ListKey::SelectAll:
            handlers_.selectAll();
            break;
        case ListKey::Ignored:
            break;
        case ListKey::None:
            handled = options_.enterTaken &&
                      (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
            break;
    }
}

void ListPage::DoubleClick() {
    if (view_->selectionModel()->hasSelection())
        handlers_.edit();
    else
        handlers_.add();
}

void ListPage::DeleteChosen(TDM& dm, TMemTable& table, const QString& question,
                            const std::function<void()>& refill) {
    const std::vector<int> rows = ChosenRows();
    if (rows.empty() && !options_.askWithNothingChosen) return;
    std::vector<int> ids;
    for (int r : rows)
        ids.push_back(model_->IdAt(r));

    if (MessageBox(question, QStringLiteral("Удаление"), QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    table.DeleteByKeys(std::vector<qint64>(ids.begin(), ids.end()));
    dm.ApplyTable(table);
    refill();
    const int count = model_->rowCount();
    if (!rows.empty() && count > 0) SelectRow(std::min(rows.front(), count - 1));
}
