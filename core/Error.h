// The error the program reports to the user with its text.
#pragma once

#include <QString>
#include <exception>
#include <string>

class EQuillet : public std::exception {
  public:
    explicit EQuillet(QString message) : message_(std::move(message)) {
        utf8_ = message_.toStdString();
    }
    const char* what() const noexcept override { return utf8_.c_str(); }
    const QString& message() const { return message_; }

  private:
    QString message_;
    std::string utf8_;
};

// The text of the exception being handled; call inside a catch block.
QString CurrentErrorText();
