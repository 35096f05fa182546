#include "tests/support/GuiTest.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QTest>

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
