// The event notice window: an anniversary or another calendar event with
// its text and an "Ok" button. One window per notice.
#pragma once

#include <QDialog>
#include <QString>

#include "platform/SoundPlayer.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TfrmBirthNotify : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmBirthNotify(QWidget* parent = nullptr);  // FormCreate
    ~TfrmBirthNotify() override;

    QLabel* Image1 = nullptr;  // the picture
    QPlainTextEdit* Memo = nullptr;
    QPushButton* btnOk = nullptr;

    SoundPlayer MP;

    // Plays the chime to its end, then closes the sound. False, with the
    // error text in `error`, when the sound could not be opened or played.
    bool PlayAlarm(QString* error);

    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QString soundError_;
};
