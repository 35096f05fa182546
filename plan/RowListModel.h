// The rows of a list page (the task list, the event list): each keeps only
// its record's ID and the texts computed when the list was filled. A refill
// replaces them all at once, so the view redraws only what is visible.
#pragma once

#include <QAbstractTableModel>
#include <QScopeGuard>
#include <QStringList>
#include <utility>
#include <vector>

class QTableView;

class IdListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    IdListModel(QStringList captions, QObject* parent);

    virtual int IdAt(int row) const = 0;
    // Width of `column` in `view`, whose font may be wider than the one the
    // usual widths were made for.
    virtual int ColumnWidth(int column, const QTableView& view) const = 0;

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QStringList captions_;
};

// `Row` has an `int id` and a QString for each column; `texts` names them
// in column order (null for a column whose text the subclass makes). The ID
// is also each row's Qt::UserRole.
template <class Row>
class RowListModel : public IdListModel {
  public:
    RowListModel(QStringList captions, std::vector<QString Row::*> texts, QObject* parent)
        : IdListModel(std::move(captions), parent), texts_(std::move(texts)) {}

    // Takes `rows`; the rows of the earlier fill are freed, and `rows` is
    // left empty.
    void Reset(std::vector<Row>&& rows) {
        beginResetModel();
        rows_.swap(rows);
        endResetModel();
        Free(rows);
    }
    // Fills the rows anew where they lie: `fill` gets the rows of the last
    // fill and leaves the new ones there. A text that is still the same is
    // only counted again, and no new memory is touched.
    template <class Fill>
    void Refill(Fill&& fill) {
        beginResetModel();
        const auto done = qScopeGuard([&] {
            if (rows_.capacity() > 2 * rows_.size() + 1024) rows_.shrink_to_fit();
            endResetModel();
        });
        fill(rows_);
    }
    const Row& RowAt(int row) const { return rows_[size_t(row)]; }
    int IdAt(int row) const override { return rows_[size_t(row)].id; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= int(rows_.size())) return {};
        const Row& r = rows_[size_t(index.row())];
        if (role == Qt::DisplayRole && size_t(index.column()) < texts_.size() &&
            texts_[size_t(index.column())])
            return r.*texts_[size_t(index.column())];
        if (role == Qt::UserRole) return r.id;
        return {};
    }

  private:
    // Frees rows whose texts are shared with the table: each text's count of
    // users is fetched a few rows ahead, so that the rows do not wait for
    // memory one by one.
    void Free(std::vector<Row>& rows) const {
        constexpr size_t Ahead = 48;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (i + Ahead < rows.size())
                for (QString Row::*text : texts_)
                    if (text) __builtin_prefetch((rows[i + Ahead].*text).data_ptr().d_ptr(), 1);
            rows[i] = Row();
        }
        rows.clear();
    }

    std::vector<QString Row::*> texts_;
    std::vector<Row> rows_;
};
