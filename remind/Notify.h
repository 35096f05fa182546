// The task reminder window: the task's text, "done" and "remind later".
// The scheduler creates one per reminder, fills the memo, plays the chime,
// shows the window modally, reads the outcome and deletes the window.
#pragma once

#include <QDialog>
#include <QString>

#include "core/DateTime.h"
#include "platform/SoundPlayer.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPixmap;
class QPlainTextEdit;
class QPushButton;

// The chime beside the program, shared by both reminder windows.
QString AlarmSoundPath();
// Opens the chime in `player`; the error text instead of an exception
// (empty when it opened).
QString OpenAlarmSound(SoundPlayer& player);
// Plays the chime to its end and closes the player. A player that is not
// open (closed after an earlier alarm, or the file was unreadable) opens the
// file again first; `openError` keeps the text of the last opening.
bool PlayAlarmSound(SoundPlayer& player, QString& openError, QString* error);

class TfrmNotify : public QDialog {
    Q_OBJECT
  public:
    // The outcome of the window.
    enum {
        mrCancel = QDialog::Rejected,  // the close box, or the program ending
        mrOk = QDialog::Accepted,      // not done
        mrYes = 6,                     // done
    };

    explicit TfrmNotify(QWidget* parent = nullptr);  // FormCreate
    ~TfrmNotify() override;

    QLabel* Image1 = nullptr;  // the picture
    QPlainTextEdit* Memo = nullptr;
    QCheckBox* chbExecuted = nullptr;
    QPushButton* btnLater = nullptr;
    QPushButton* btnOk = nullptr;

    QMenu* popmLater = nullptr;
    QAction* N5m = nullptr;
    QAction* N15m = nullptr;
    QAction* N30m = nullptr;
    QAction* N1h = nullptr;
    QAction* N2h = nullptr;
    QAction* N1d = nullptr;
    QAction* N2d = nullptr;
    QAction* N5d = nullptr;
    QAction* NtimeAfter = nullptr;
    QAction* Nt8 = nullptr;
    QAction* Nt12 = nullptr;
    QAction* NtimeIn = nullptr;

    SoundPlayer MPA;

    // Whether the user chose "remind later", and the moment chosen.
    bool Postponed = false;
    TDateTime PostponeTo = 0;

    // Plays the chime to its end, then closes the sound. False, with the
    // error text in `error`, when the sound could not be opened or played.
    bool PlayAlarm(QString* error);

    void FormShow();
    void btnOkClick();
    void btnLaterClick();
    // Every item of the "remind later" menu.
    void Nt12Click(QAction* item);

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CloseWithOutcome();

    QString soundError_;
};
