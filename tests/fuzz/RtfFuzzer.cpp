// libFuzzer entry for the RTF reader, built and run by scripts/fuzz-rtf:
// any bytes are read, and what was read is written and read again.
#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QTextDocument doc;
    ReadRtf(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), &doc);
    QTextDocument again;
    ReadRtf(WriteRtf(&doc), &again);
    return 0;
}
