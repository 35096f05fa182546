// The multistatus reader under libFuzzer (scripts/fuzz-caldav): any bytes
// either give responses whose hrefs are absolute paths that survive the
// way back into a URL, or a refusal with a reason; nothing else may happen.
#include <cstdlib>

#include "caldav/DavMultistatus.h"

namespace {

// A path the client took from the server must name the same resource when
// the client sends it back.
void CheckPath(const QString& path) {
    if (path.isEmpty()) return;
    if (!path.startsWith('/')) abort();
    const QUrl url = UrlOfPath(QUrl(QStringLiteral("https://host/")), path);
    if (!url.isValid() || url.path(QUrl::FullyDecoded) != path) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    DavMultistatus ms;
    QString error;
    if (!ReadMultistatus(bytes, QStringLiteral("/dav/cal/"), ms, error)) {
        if (error.isEmpty()) abort();
        return 0;
    }
    for (const DavResponse& r : ms.responses) {
        if (r.href.isEmpty()) abort();
        CheckPath(r.href);
        CheckPath(r.props.principal);
        for (const QString& home : r.props.homes)
            CheckPath(home);
        if (!r.props.hasCalendarData && !r.props.calendarData.isEmpty()) abort();
    }
    CheckPath(HrefPath(QString::fromUtf8(bytes.left(512)), QStringLiteral("/dav/cal/")));
    return 0;
}
