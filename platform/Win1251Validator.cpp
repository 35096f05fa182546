#include "platform/Win1251Validator.h"

#include <QLineEdit>
#include <QToolTip>

#include "core/StorableText.h"

Win1251Validator::Win1251Validator(QLineEdit* box) : QValidator(box), box_(box) {}

QValidator::State Win1251Validator::validate(QString& input, int& pos) const {
    const StorableText fit = KeepStorable(input, pos);
    if (fit.leftOut.isEmpty()) return Acceptable;
    input = fit.kept;
    pos = fit.pos;
    // A tooltip, not a box: the typing goes on into the same text box.
    QToolTip::showText(box_->mapToGlobal(QPoint(0, box_->height())), LeftOutNotice(fit.leftOut),
                       box_);
    return Acceptable;
}
