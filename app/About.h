// The about window "О программе": the program's name and version and where
// to get support, the web site and the mail address as clickable links.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QEvent;
class QFrame;
class QHideEvent;
class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmAbout(QWidget* parent = nullptr);
    ~TfrmAbout() override;

    // ---- Controls
    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* web = nullptr;
    QLabel* mail = nullptr;
    QPushButton* OKButton = nullptr;

    // Opens a link; tests put a recorder here.
    std::function<void(const QUrl&)> OpenUrl;

    // ---- Handlers
    void webClick();
    void mailClick();
    // The pointer over a link: underlined, and the hand cursor.
    void webMouseEnter(QLabel* label);
    void webMouseLeave(QLabel* label);

    void setVisible(bool visible) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void placeLabels();
    void restoreCursor();
    bool labelsPlaced_ = false;
    bool handCursorSet_ = false;
};

extern TfrmAbout* frmAbout;
