// What a text box keeps of what is typed or pasted into it: the characters
// the database can store (Windows-1251). The others are left out, and the
// user is told which.
#pragma once

#include <QString>

struct StorableText {
    QString kept;     // the text without the characters left out
    int pos = 0;      // `pos` moved back by what was left out before it
    QString leftOut;  // each character left out once, in the order they came
};

StorableText KeepStorable(const QString& text, int pos);

// What the user is told of `leftOut` (not empty): one line, at most ten of
// the characters named.
QString LeftOutNotice(const QString& leftOut);
