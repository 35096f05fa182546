// The preview of an import: what the file adds, one row per task or event,
// and the counts; "Добавить" goes on, "Отмена" stops with nothing changed.
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;
struct ImportPlan;

class TfrmIcalPreview : public QDialog {
    Q_OBJECT
  public:
    TfrmIcalPreview(const ImportPlan& plan, const QString& fileName, QWidget* parent = nullptr);

    QLabel* lbSummary = nullptr;
    QTableView* ListView = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};
