// The event editor: one dialog for the whole run, used for new events
// (from the event list or from the calendar) and for edited ones. It keeps
// what its controls held when it was last closed; every caller presets
// the controls it cares about.
#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <optional>

#include "calendar/EventRows.h"
#include "core/DateTime.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TfrmBirthAdd : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthAdd(QWidget* parent = nullptr);

    QLineEdit* edCaption = nullptr;
    QDateEdit* dtpBDate = nullptr;
    QComboBox* cbVid = nullptr;
    QSpinBox* udCategory = nullptr;
    QLineEdit* edCategory = nullptr;  // the spinner's text
    QLineEdit* edComment = nullptr;
    QCheckBox* chbNotified = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    void FormShow();  // focus into the name

    // A new event on `date`: no name, category 1, no comment. With
    // `resetKindAndState` also the kind "<--->" and "Прошло" cleared;
    // otherwise they stay as the dialog was last closed.
    void PresetNew(TDateTime date, bool resetKindAndState);
    // An event as stored.
    void PresetEdit(const EventValues& stored);
    // What "Ok" writes: the controls' values; for an edited event, every
    // value whose control still shows what it was preset to is left alone
    // and keeps what the row holds (a date's year, time and tenths of a
    // millisecond, a kind or category outside the controls' range, NULL, a
    // notice given while the editor was open).
    EventValues Values() const;
    // The new event: a number from NewBirthId, a row appended with ID,
    // USER_ID and `values` in their order, posted and sent. Returns the ID.
    int AddEvent(const EventValues& values);

    void setVisible(bool visible) override;  // centred on the screen at each showing

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void limitTexts();
    void notePreset();

    struct Shown {
        QString caption, comment;
        QDate date;
        int vid = 0, category = 0;
        bool notified = false;
    };
    std::optional<EventValues> stored_;  // the edited event, none for a new one
    Shown preset_;                       // what the controls showed when preset
};

extern TfrmBirthAdd* frmBirthAdd;
