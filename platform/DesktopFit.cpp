#include "platform/DesktopFit.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "core/WindowRules.h"

namespace {

// ---- The keys of date and time boxes

class SectionKeys : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QDateTimeEdit*>(watched);
        if (!box || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const int current = box->currentSectionIndex();
        const SectionKeyAction a =
            SectionKey(key->key(), key->modifiers(), current, box->sectionCount());
        if (a.section != current) {
            box->setCurrentSectionIndex(a.section);
            box->setSelectedSection(box->sectionAt(a.section));
        }
        return a.taken;
    }
};

// ---- What the texts need

enum class Kind { Other, Container, Picture, AutoLabel, Text };

bool isContainer(const QWidget* w) {
    const QMetaObject* m = w->metaObject();
    return !w->layout() && (m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject ||
                            m == &QGroupBox::staticMetaObject);
}

Kind kindOf(const QWidget* w) {
    if (isContainer(w)) return Kind::Container;
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (!label->pixmap().isNull()) return Kind::Picture;
        // A label placed but never sized takes the size of its text.
        if (!label->testAttribute(Qt::WA_Resized) || label->size() == label->sizeHint())
            return Kind::AutoLabel;
        return Kind::Text;
    }
    if (auto* tool = qobject_cast<const QToolButton*>(w))
        return tool->toolButtonStyle() == Qt::ToolButtonIconOnly ? Kind::Other : Kind::Text;
    if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
        qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w))
        return Kind::Text;
    return Kind::Other;
}

// The size a control's text wants; 0 where it wants nothing.
QSize textNeed(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                 : label->sizeHint();
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) ||
        qobject_cast<QAbstractSpinBox*>(w))
        return w->sizeHint();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // The caption with a little room on each side; the style's wider
        // least width of a button is no need of the text.
        const QFontMetrics m = button->fontMetrics();
        int width = m.horizontalAdvance(button->text()) + 8;
        if (!button->icon().isNull()) width += button->iconSize().width() + 4;
        return QSize(width, m.height() + 6);
    }
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
        return QSize(0, w->sizeHint().height());
    return {};
}

struct Control {
    QWidget* widget;
    QRect design;
    Kind kind;
};

void collect(QWidget* parent, std::vector<Control>& out) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        const Kind kind = kindOf(w);
        out.push_back({w, w->geometry(), kind});
        if (kind == Kind::Container) collect(w, out);
    }
}

// ---- Windows laid out at fixed places

void fitPlaced(QWidget* window) {
    std::vector<Control> controls;
    collect(window, controls);
    std::vector<FitNeed> needs;
    for (const Control& c : controls) {
        if (c.kind == Kind::Text) needs.push_back({c.design.size(), textNeed(c.widget)});
        if (c.kind == Kind::AutoLabel) {
            // Up to the parent's right edge, less the margin its left edge has.
            const QWidget* parent = c.widget->parentWidget();
            int margin = c.design.x();
            for (const Control& other : controls)
                if (other.widget->parentWidget() == parent)
                    margin = std::min(margin, other.design.x());
            const int room = parent->width() - c.design.x() - margin;
            needs.push_back({QSize(room, c.design.height()), c.widget->sizeHint()});
        }
    }
    const FitScale scale = ScaleToFit(needs);
    if (scale == FitScale{}) return;
    const QRect outer = ScaledPlace(QRect(QPoint(0, 0), window->size()), scale);
    window->setFixedSize(outer.size());
    for (const Control& c : controls) {
        switch (c.kind) {
            case Kind::Picture:
                c.widget->setGeometry(ScaledPicturePlace(c.design, scale));
                break;
            case Kind::AutoLabel:
                c.widget->setGeometry(
                    QRect(ScaledPlace(c.design, scale).topLeft(), c.widget->sizeHint()));
                break;
            default:
                c.widget->setGeometry(ScaledPlace(c.design, scale));
                break;
        }
    }
}

// ---- Windows laid out by layouts

bool fixedWidth(const QWidget* w) {
    return w->minimumWidth() == w->maximumWidth();
}
bool fixedHeight(const QWidget* w) {
    return w->minimumHeight() == w->maximumHeight();
}

// A control or panel of the window, not a part of a control of Qt's own
// (the line of a spin box, the arrows of a tab bar).
bool ownControl(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (!parent) return false;
    const bool plainParent = parent->isWindow() ||
                             parent->metaObject() == &QWidget::staticMetaObject ||
                             parent->metaObject() == &QFrame::staticMetaObject ||
                             parent->metaObject() == &QGroupBox::staticMetaObject;
    return plainParent && (kindOf(w) == Kind::Text || w->layout());
}

void fitLaidOut(QWidget* window) {
    // The innermost first: a panel of fixed height grows with its buttons.
    QList<QWidget*> all = window->findChildren<QWidget*>();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        QWidget* w = *it;
        if (w->isWindow() || !ownControl(w) || !(fixedWidth(w) || fixedHeight(w))) continue;
        const QSize need = w->layout() ? w->layout()->totalMinimumSize() : textNeed(w);
        if (fixedWidth(w) && need.width() > w->minimumWidth()) w->setFixedWidth(need.width());
        if (fixedHeight(w) && need.height() > w->minimumHeight()) w->setFixedHeight(need.height());
    }
    window->layout()->invalidate();
    const QSize least = window->layout()->totalMinimumSize();
    if (fixedWidth(window) && fixedHeight(window))
        window->setFixedSize(window->size().expandedTo(least));
    else
        window->setMinimumSize(window->minimumSize().expandedTo(least));
}

}  // namespace

void FitToDesktop(QWidget* window) {
    window->ensurePolished();
    for (QWidget* w : window->findChildren<QWidget*>())
        w->ensurePolished();
    if (window->layout())
        fitLaidOut(window);
    else
        fitPlaced(window);
    auto* keys = new SectionKeys(window);
    for (QDateTimeEdit* box : window->findChildren<QDateTimeEdit*>())
        box->installEventFilter(keys);
}
