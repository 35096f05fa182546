// The event list: the events of the selected day or all events, with the
// commands to add, edit, delete and select them. Rebuilt from the events
// table at every showing and after every change; its rows keep only the
// ID of each event.
#pragma once

#include <QDialog>
#include <functional>

class ListPage;
class QAction;
class QKeyEvent;
class QTableView;
class QToolButton;
class EventListModel;

class TfrmBirthAll : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthAll(QWidget* parent = nullptr);

    QTableView* ListView = nullptr;
    EventListModel* Events = nullptr;  // the rows of ListView
    QToolButton* btnBirthAdd = nullptr;
    QToolButton* btnBirthEdit = nullptr;
    QToolButton* btnBirthDelete = nullptr;
    QAction* acBirthAdd = nullptr;
    QAction* acBirthEdit = nullptr;
    QAction* acBirthDelete = nullptr;

    // Draws the calendar anew after the events have changed.
    std::function<void()> RepaintCalendar;

    void FormShow();  // the title and the rows
    void BirthAdd();
    void BirthEdit();
    void BirthDelete();
    void BirthSelectAll();
    void ListViewDblClick();

    void setVisible(bool visible) override;  // centred on the screen at each showing

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ListViewKeyDown(QKeyEvent* event, bool& handled);
    void eventsChanged();

    ListPage* list_ = nullptr;
};

extern TfrmBirthAll* frmBirthAll;
