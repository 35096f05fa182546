// A text box that accepts only what Windows-1251 can store: a typed or
// pasted character outside the code page is refused, so nothing the user
// typed turns into "?" in the database.
#pragma once

#include <QValidator>

class Win1251Validator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
