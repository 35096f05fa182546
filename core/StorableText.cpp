#include "core/StorableText.h"

#include <QStringList>
#include <algorithm>

#include "core/Win1251.h"

StorableText KeepStorable(const QString& text, int pos) {
    StorableText r;
    r.pos = pos;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsWin1251Char(text[i])) {
            r.kept += text[i];
            continue;
        }
        // A character beyond 16 bits is a pair: it goes, and is named, whole.
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        if (!r.leftOut.contains(c)) r.leftOut += c;
        if (i < pos) r.pos -= int(std::min<qsizetype>(n, pos - i));
        i += n - 1;
    }
    return r;
}

QString LeftOutNotice(const QString& leftOut) {
    QStringList named;
    for (qsizetype i = 0; i < leftOut.size() && named.size() < 10; ++i) {
        const qsizetype n = leftOut[i].isHighSurrogate() && i + 1 < leftOut.size() ? 2 : 1;
        named << leftOut.mid(i, n);
        i += n - 1;
    }
    const bool more = QStringView(leftOut).toUcs4().size() > named.size();
    return QStringLiteral("Пропущены знаки, которых нет в кодировке базы данных: %1%2")
        .arg(named.join(u' '), more ? QStringLiteral(" …") : QString());
}
