#include "ical/IcalPreview.h"

#include <algorithm>

#include <QAbstractTableModel>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "ical/ImportPlan.h"

namespace {

class PreviewModel : public QAbstractTableModel {
  public:
    PreviewModel(std::vector<QStringList> rows, QObject* parent)
        : QAbstractTableModel(parent), rows_(std::move(rows)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(std::size(headers));
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return rows_[size_t(index.row())].value(index.column());
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
        return QString::fromUtf8(headers[section]);
    }

    static constexpr const char* headers[] = {"Вид", "Название", "Дата", "Категория", "Состояние"};

  private:
    std::vector<QStringList> rows_;
};

}  // namespace

TfrmIcalPreview::TfrmIcalPreview(const ImportPlan& plan, const QString& fileName, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmIcalPreview"));
    setWindowTitle(QStringLiteral("Импорт из iCalendar"));
    resize(680, 420);
    lbSummary = new QLabel(QStringLiteral("Файл: %1\n%2")
                               .arg(QDir::toNativeSeparators(fileName), ImportSummary(plan, false)),
                           this);
    lbSummary->setWordWrap(true);
    ListView = new QTableView(this);
    ListView->setModel(new PreviewModel(PlanRows(plan), ListView));
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setDefaultSectionSize(ListView->fontMetrics().height() + 6);
    ListView->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {140, 200, 130, 90};
    // Every text whole ("<Радостное событие>", a date with its time), in
    // whatever font; the columns no narrower than these widths.
    for (int c = 0; c < 4; ++c) {
        ListView->resizeColumnToContents(c);
        ListView->setColumnWidth(c, std::max(widths[c], ListView->columnWidth(c)));
    }

    btnOk = new QPushButton(QStringLiteral("Добавить"), this);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbSummary);
    layout->addWidget(ListView, 1);
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}
