#include "platform/Win1251Validator.h"

#include "core/Win1251.h"

QValidator::State Win1251Validator::validate(QString& input, int&) const {
    for (QChar c : input)
        if (!IsWin1251Char(c)) return Invalid;
    return Acceptable;
}
