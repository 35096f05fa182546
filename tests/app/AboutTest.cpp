#include "app/About.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>

#include "platform/Modal.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"

namespace {

class AboutWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        frmAbout = new TfrmAbout;
        frmAbout->OpenUrl = [this](const QUrl& url) { opened << url; };
    }
    void TearDown() override {
        delete frmAbout;
        frmAbout = nullptr;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // Shows the window; `user` works in it and closes it.
    int show(const std::function<void(TfrmAbout*)>& user) {
        ModalAnswers answers;
        answers.Then([user](QWidget* w) {
            ASSERT_EQ(w, frmAbout);
            user(frmAbout);
            EXPECT_FALSE(frmAbout->isVisible()) << "the window is still open";
        });
        // The pointer waits in the screen's corner, away from the links.
        QCursor::setPos(0, 0);
        return ShowModal(frmAbout);
    }

    QList<QUrl> opened;
};

bool handCursor() {
    const QCursor* c = QApplication::overrideCursor();
    return c && c->shape() == Qt::PointingHandCursor;
}

}  // namespace

TEST_F(AboutWindow, ShowsTheProgramAndTheSupportAddresses) {
    const int result = show([](TfrmAbout* d) {
        EXPECT_EQ(d->windowTitle(), "О программе");
        EXPECT_EQ(d->size(), QSize(289, 406));
        EXPECT_EQ(d->minimumSize(), d->maximumSize());
        EXPECT_EQ(d->Panel1->size(), QSize(273, 353));

        // The picture comes from the program's resources.
        ASSERT_FALSE(d->Image1->pixmap().isNull());
        EXPECT_EQ(d->Image1->pixmap().size(), QSize(32, 32));

        EXPECT_EQ(d->ProductName->text(), "Quillet");
        EXPECT_EQ(d->ProductName->font().family(), "Garamond");
        EXPECT_EQ(d->ProductName->font().pointSize(), 24);
        EXPECT_TRUE(d->ProductName->font().bold());
        EXPECT_EQ(d->Version->text(), "Версия 1.3.2");
        EXPECT_EQ(d->Version->font().pointSize(), 12);
        EXPECT_GE(d->Version->y(), d->ProductName->geometry().bottom());
        EXPECT_EQ(d->Label3->text(), "Поддержка:");
        EXPECT_TRUE(d->Label3->font().bold());
        EXPECT_EQ(d->web->text(), "https://quillet.example.org");
        EXPECT_EQ(d->mail->text(), "support@quillet.example.org");
        EXPECT_GE(d->mail->y(), d->web->geometry().bottom());
        for (QLabel* link : {d->web, d->mail}) {
            EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
            EXPECT_FALSE(link->font().underline());
            // Wholly inside the panel, underlined or not.
            EXPECT_TRUE(d->Panel1->rect().contains(link->geometry()));
        }
        EXPECT_EQ(d->OKButton->text(), "OK");
        EXPECT_TRUE(d->OKButton->isDefault());
        d->move(5, 5);  // dragged aside
        ClickButton(d, "OK");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    // Every showing is centred on the screen.
    show([](TfrmAbout* d) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE((d->frameGeometry().center() - screen.center()).manhattanLength(), 1);
        ClickButton(d, "OK");
    });
}

TEST_F(AboutWindow, ClickingALinkOpensIt) {
    const int result = show([this](TfrmAbout* d) {
        QTest::mouseClick(d->web, Qt::LeftButton);
        QTest::mouseClick(d->mail, Qt::LeftButton);
        ASSERT_EQ(opened.size(), 2);
        EXPECT_EQ(opened[0], QUrl("https://quillet.example.org"));
        EXPECT_EQ(opened[1], QUrl("mailto:support@quillet.example.org"));

        // Released elsewhere, or another button: no click.
        QTest::mousePress(d->web, Qt::LeftButton);
        QTest::mouseRelease(d->web, Qt::LeftButton, {}, QPoint(-20, -20));
        QTest::mouseClick(d->mail, Qt::RightButton);
        EXPECT_EQ(opened.size(), 2);
        EXPECT_TRUE(d->isVisible());
        QTest::keyClick(d, Qt::Key_Return);  // the default button
    });
    EXPECT_EQ(result, QDialog::Accepted);
}

TEST_F(AboutWindow, HoveringALinkUnderlinesItAndShowsTheHand) {
    const int result = show([](TfrmAbout* d) {
        QTest::mouseMove(d->web);
        Pump();
        EXPECT_TRUE(d->web->font().underline());
        EXPECT_TRUE(handCursor());
        EXPECT_FALSE(d->mail->font().underline());

        QTest::mouseMove(d->mail);
        Pump();
        EXPECT_FALSE(d->web->font().underline());
        EXPECT_TRUE(d->mail->font().underline());
        EXPECT_TRUE(handCursor());

        QTest::mouseMove(d->Label3);
        Pump();
        EXPECT_FALSE(d->mail->font().underline());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        // Closed with the pointer still on a link.
        QTest::mouseMove(d->web);
        Pump();
        EXPECT_TRUE(handCursor());
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(frmAbout->web->font().underline());
}
