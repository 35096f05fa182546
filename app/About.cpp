#include "app/About.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <utility>

#include "platform/DesktopFit.h"
#include "platform/ErrorReport.h"
#include "platform/WindowPlace.h"

TfrmAbout* frmAbout = nullptr;

namespace {

const QColor kLinkColor(0x00, 0x00, 0x80);

QLabel* makeLabel(const QString& text, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* makeLink(const QString& text, QWidget* parent, const char* name) {
    QLabel* label = makeLabel(text, parent, name);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, kLinkColor);
    label->setPalette(pal);
    return label;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    InitAssets();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(FixedDialogFlags);
    setFixedSize(289, 406);

    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    Panel1->setGeometry(8, 8, 273, 353);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/about_32.png")));
    Image1->setGeometry(8, 8, 32, 32);

    // The labels get their fonts and places at the first show: finding the
    // faces they ask for costs more than the rest of the window.
    ProductName = makeLabel(QStringLiteral("Quillet"), Panel1, "ProductName");
    Version = makeLabel(QStringLiteral("Версия 1.3.2"), Panel1, "Version");
    Label3 = makeLabel(QStringLiteral("Поддержка:"), Panel1, "Label3");
    web = makeLink(QStringLiteral("https://quillet.example.org"), Panel1, "web");
    mail = makeLink(QStringLiteral("support@quillet.example.org"), Panel1, "mail");
    for (QLabel* link : {web, mail})
        link->installEventFilter(this);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry((289 - 75) / 2, 371, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { Guarded([&] { accept(); }); });
    FitToDesktop(this);
}

TfrmAbout::~TfrmAbout() {
    restoreCursor();
}

void TfrmAbout::webClick() {
    OpenUrl(QUrl(web->text()));
}

void TfrmAbout::mailClick() {
    OpenUrl(QUrl(QStringLiteral("mailto:") + mail->text()));
}

void TfrmAbout::webMouseEnter(QLabel* label) {
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    if (!handCursorSet_) {
        QApplication::setOverrideCursor(Qt::PointingHandCursor);
        handCursorSet_ = true;
    }
}

void TfrmAbout::webMouseLeave(QLabel* label) {
    QFont f = label->font();
    f.setUnderline(false);
    label->setFont(f);
    restoreCursor();
}

void TfrmAbout::restoreCursor() {
    if (!handCursorSet_) return;
    handCursorSet_ = false;
    QApplication::restoreOverrideCursor();
}

void TfrmAbout::placeLabels() {
    if (labelsPlaced_) return;
    labelsPlaced_ = true;
    const QString garamond = QStringLiteral("Garamond");
    const QString arial = QStringLiteral("Arial");
    const std::pair<QLabel*, QFont> fonts[] = {{ProductName, QFont(garamond, 24, QFont::Bold)},
                                               {Version, QFont(garamond, 12, QFont::Bold)},
                                               {Label3, QFont(arial, 10, QFont::Bold)},
                                               {web, QFont(arial, 10)},
                                               {mail, QFont(arial, 10)}};
    for (const auto& [label, font] : fonts) {
        label->setFont(font);
        label->adjustSize();
    }
    ProductName->move(56, 4);
    Version->move(58, ProductName->geometry().bottom() + 2);
    // The support addresses at the foot of the panel.
    mail->move(16, Panel1->height() - 14 - mail->height());
    web->move(16, mail->y() - 4 - web->height());
    Label3->move(8, web->y() - 6 - Label3->height());
    for (QLabel* link : {web, mail}) {
        // Hovering changes the font; the label is sized for the widest look.
        link->setMinimumWidth(link->width() + 4);
        link->resize(link->width() + 4, link->height());
    }
}

void TfrmAbout::setVisible(bool visible) {
    if (visible) placeLabels();
    if (visible && !isVisible()) CentreOnScreen(this);
    QDialog::setVisible(visible);
}

void TfrmAbout::hideEvent(QHideEvent* event) {
    // Closed with the pointer still over a link: no leave comes any more.
    if (web && mail) {
        for (QLabel* link : {web, mail}) {
            QFont f = link->font();
            f.setUnderline(false);
            link->setFont(f);
        }
    }
    restoreCursor();
    QDialog::hideEvent(event);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label || (label != web && label != mail)) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Enter:
            Guarded([&] { webMouseEnter(label); });
            break;
        case QEvent::Leave:
            Guarded([&] { webMouseLeave(label); });
            break;
        case QEvent::MouseButtonRelease: {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton && label->rect().contains(me->position().toPoint()))
                Guarded([&] {
                    if (label == web)
                        webClick();
                    else
                        mailClick();
                });
            return true;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}
