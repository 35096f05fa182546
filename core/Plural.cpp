#include "core/Plural.h"

QString PluralForm(qint64 n, const PluralForms& forms) {
    const qint64 a = n < 0 ? -(n % 100) : n % 100;  // no overflow at the lowest number
    const qint64 last = a % 10;
    const char* form = forms.many;
    if (a < 11 || a > 14) {
        if (last == 1)
            form = forms.one;
        else if (last >= 2 && last <= 4)
            form = forms.few;
    }
    return QString::fromUtf8(form);
}

QString CountOf(qint64 n, const PluralForms& forms) {
    return QString::number(n) + u' ' + PluralForm(n, forms);
}
