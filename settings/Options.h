// The options dialog "Настройки": the reminder check period, the start at
// logon and the desktop notifications on the first page, the advance
// notice of calendar events on the second. It is created once at start-up
// and reused; every showing loads the stored settings afresh, so edits of a
// cancelled showing are dropped.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QShowEvent;
class QSpinBox;
class QTabWidget;
class QTimeEdit;
class QTimer;

class TfrmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmOptions(QWidget* parent = nullptr);

    // ---- Controls
    QTabWidget* PageControl = nullptr;
    QWidget* tshCommon = nullptr;
    QWidget* tshCalendar = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbCheckPeriod = nullptr;
    QCheckBox* chbStartup = nullptr;
    QCheckBox* chbDesktopNotify = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QSpinBox* udNotifyDays = nullptr;
    QSpinBox* edNotifyDays = nullptr;  // the same box as udNotifyDays
    QLabel* Label3 = nullptr;
    QTimeEdit* dtpNotifyTime = nullptr;
    QWidget* PanelBottom = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // The main window's reminder timer, whose period follows the setting.
    QTimer* ReminderTimer = nullptr;

    // Pages the program adds: loaded at every showing, stored by "Ok".
    std::function<void()> LoadExtraPages;
    std::function<void()> StoreExtraPages;

    // ---- Handlers
    // Loads the controls from the settings file and applies them; runs at
    // every showing and once at start-up. Leaves the reminder timer alone.
    void FormShow();
    // The in-memory settings from the controls.
    void ApplyOptions();
    // Stores, applies and puts the settings to work, then closes.
    void btnOkClick();
    // Shows the dialog on `page`.
    void ShowOn(QWidget* page);

    void setVisible(bool visible) override;

  protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmOptions* frmOptions;
