// The page "Синхронизация" of the options dialog: the server, the user and
// the password, the search for the user's calendars ("Проверить") and the
// choice of one for events and one for tasks, the switch, the period, and
// the leave to use plain http to another computer. The password goes to
// the secret store, never to the settings file.
#pragma once

#include <QWidget>
#include <vector>

#include "caldav/CalDavClient.h"
#include "settings/Settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TSyncPage : public QWidget {
    Q_OBJECT
  public:
    explicit TSyncPage(QWidget* parent = nullptr);

    QLineEdit* edServer = nullptr;
    QLineEdit* edUser = nullptr;
    QLineEdit* edPassword = nullptr;
    QPushButton* btnCheck = nullptr;
    QLabel* lbCheck = nullptr;
    QComboBox* cbEvents = nullptr;
    QComboBox* cbTasks = nullptr;
    QCheckBox* chbEnabled = nullptr;
    QSpinBox* udPeriod = nullptr;
    QCheckBox* chbPlainHttp = nullptr;

    // The controls from the settings and the secret store.
    void Load();
    // The controls to the settings and the secret store; returns what was
    // stored.
    SyncOptions Store();
    // The account the controls describe.
    CalDavAccount Account() const;

    // Looks for the user's calendars on a thread of its own; the lists are
    // filled when the answer comes (CheckDone).
    void btnCheckClick();
    void ShowCalendars(const CalDavResult& result, const std::vector<CalDavCalendar>& calendars);

  signals:
    void CheckDone(bool ok);

  private:
    void SetCalendar(QComboBox* box, const QString& url);
    bool checking_ = false;
};
