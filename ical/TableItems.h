// The rows of the task and event tables as items of a calendar file, and
// items of a file as new rows of the tables.
#pragma once

#include <vector>

#include "data/MemTable.h"
#include "ical/CalendarItems.h"

// Every row, in table order.
std::vector<TaskItem> TaskItemsOf(const TMemTable& cdsTask);
std::vector<EventItem> EventItemsOf(const TMemTable& cdsBirth);

// Appends items as new rows numbered `ids` (one number per item), for
// user 1, to be sent with the table's next send. The columns are found
// when the writer is made: one that the table lacks throws then, before
// anything is written.
class TaskRowWriter {
  public:
    explicit TaskRowWriter(TMemTable& cdsTask);
    void Append(const std::vector<TaskItem>& tasks, const std::vector<int>& ids);

  private:
    TMemTable& t_;
    TField id_, user_, needAlert_, dateTime_, caption_, category_, details_, executed_, notified_;
};

class EventRowWriter {
  public:
    explicit EventRowWriter(TMemTable& cdsBirth);
    void Append(const std::vector<EventItem>& events, const std::vector<int>& ids);

  private:
    TMemTable& t_;
    TField id_, user_, caption_, date_, vid_, category_, comment_, notified_;
};
