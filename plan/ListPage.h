// What the task list and the event list share: a table view of whole rows,
// several of which may be chosen, the selection as visible without the
// focus; the keys Insert, Delete, F2 and Ctrl+A (ListKeyCommand) and the
// double click leading to the page's commands; and the deletion of the
// chosen rows' records by their ID after a question.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

class IdListModel;
class QKeyEvent;
class QMenu;
class QTableView;
class TDM;
class TMemTable;

class ListPage : public QObject {
    Q_OBJECT
  public:
    // The page's own handlers: its four commands, and those of the list's
    // keys and double click, which hand on to KeyDown and DoubleClick.
    struct Handlers {
        std::function<void()> add, edit, remove, selectAll;
        std::function<void(QKeyEvent*, bool&)> keyDown;
        std::function<void()> doubleClick;
    };
    // Where the two lists differ.
    struct Options {
        bool grid = false;
        QMenu* menu = nullptr;  // the context menu, none without
        bool pressBelowRowsKeepsSelection = false;
        bool enterTaken = false;  // Enter runs nothing, and the view does not see it either
        bool askWithNothingChosen = false;  // the delete question also without a chosen row
    };

    // Sets up `view` with `model`; lives as long as the view.
    ListPage(QTableView* view, IdListModel* model, const Options& options, Handlers handlers);

    std::vector<int> ChosenRows() const;  // in ascending order
    std::optional<int> FirstChosenId() const;
    void SelectRow(int row);  // the only chosen row, current and in view

    // Runs the command of the key; `handled` false for a key that is none.
    void KeyDown(QKeyEvent* event, bool& handled);
    // Edit with a chosen row, add without.
    void DoubleClick();
    // Asks `question`; on Yes deletes from `table` the records of the rows
    // chosen when it was asked (a tick during the question may rebuild the
    // list), sends them at once, refills the list and chooses the row that
    // now stands where the first deleted one stood, or the last row.
    void DeleteChosen(TDM& dm, TMemTable& table, const QString& question,
                      const std::function<void()>& refill);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The chosen rows asked of the selection row by row: for a selection
    // that holds part of a row.
    std::vector<int> ChosenRowsOneByOne() const;

    QTableView* view_;
    IdListModel* model_;
    Options options_;
    Handlers handlers_;
};
