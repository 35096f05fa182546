#include "tests/support/GuiTest.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

void WhenModal(std::function<void(QWidget*)> action, int timeoutMs) {
    QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* timer = new QTimer(qApp);
    auto elapsed = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        *elapsed += 10;
        if (modal && modal != before.data() && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    timer->start();
}

QAbstractButton* FindButton(QWidget* window, const QString& text) {
    if (!window) return nullptr;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        QString t = b->text();
        t.remove(u'&');
        if (t == text && b->isVisible()) return b;
    }
    return nullptr;
}

void ClickButton(QWidget* window, const QString& text) {
    QAbstractButton* b = FindButton(window, text);
    if (!b) {
        ADD_FAILURE() << "no button " << text.toStdString();
        return;
    }
    QTest::mouseClick(b, Qt::LeftButton);
}

void AnswerMessageBox(QMessageBox::StandardButton answer, QString* seenText, QString* seenCaption) {
    WhenModal([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            ADD_FAILURE() << "the modal window is no message box";
            return;
        }
        if (seenText) *seenText = box->text();
        if (seenCaption) *seenCaption = box->windowTitle();
        QAbstractButton* b = box->button(answer);
        if (!b) {
            ADD_FAILURE() << "the message box has no such button";
            return;
        }
        QTest::mouseClick(b, Qt::LeftButton);
    });
}
