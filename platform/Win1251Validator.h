// A text box that takes only what Windows-1251 can store: of a typed or
// pasted text the characters outside the code page are left out, the rest
// is taken, and a tooltip by the box names what was left out, so nothing
// the user typed turns into "?" in the database and nothing goes unsaid.
#pragma once

#include <QValidator>

class QLineEdit;

class Win1251Validator : public QValidator {
  public:
    explicit Win1251Validator(QLineEdit* box);
    State validate(QString& input, int& pos) const override;

  private:
    QLineEdit* box_;
};
