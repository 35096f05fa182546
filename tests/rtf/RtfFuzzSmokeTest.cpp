// A short mutation run over the sample documents: whatever the reader is
// given, it ends, and what it read can be written and read again. The
// long run is scripts/fuzz-rtf.
#include <gtest/gtest.h>
#include <QDir>
#include <random>

#include "tests/rtf/RtfTestSupport.h"

namespace {

const char* const kPieces[] = {
    "{",
    "}",
    "\\",
    "\\'",
    "\\u-3913?",
    "\\uc5",
    "\\bin99999 ",
    "\\par",
    "\\cell",
    "\\row",
    "\\trowd",
    "\\cellx99",
    "\\intbl",
    "\\pard",
    "\\*",
    "\\pict",
    "\\pngblip",
    "\\ls9",
    "\\ilvl8",
    "\\f99",
    "\\fs9999999999",
    "\\'d6",
    "\\clvmrg",
    "\\clmrg",
    "{\\*\\pn\\pnlvlbody}",
    "{\\fldinst HYPERLINK \"x\"}",
    "\\fcharset128",
    "\\plain",
    "\\v",
};

QByteArray mutate(QByteArray data, std::mt19937& rng) {
    const int steps = 1 + int(rng() % 8);
    for (int i = 0; i < steps && !data.isEmpty(); ++i) {
        const qsizetype at = qsizetype(rng() % data.size());
        switch (rng() % 5) {
            case 0:  // flip a byte
                data[at] = char(rng());
                break;
            case 1:  // insert a piece of RTF
                data.insert(at, kPieces[rng() % (sizeof kPieces / sizeof *kPieces)]);
                break;
            case 2:  // cut the end
                data.truncate(at);
                break;
            case 3:  // drop a stretch
                data.remove(at, qsizetype(rng() % 64));
                break;
            default:  // repeat a stretch
                data.insert(at, data.mid(at, qsizetype(rng() % 256)));
                break;
        }
    }
    return data;
}

}  // namespace

TEST(RtfFuzzSmoke, MutatedSamplesReadWriteAndReadAgain) {
    const QStringList files = QDir(QStringLiteral(QUILLET_SOURCE_DIR "/tests/rtf/rtf-samples"))
                                  .entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 6);
    std::mt19937 rng(20240105);
    int inputs = 0;
    for (const QString& file : files) {
        const QByteArray sample = SampleFile(file);
        for (int i = 0; i < 60; ++i, ++inputs) {
            const QByteArray input = mutate(sample, rng);
            QTextDocument doc;
            ReadRtf(input, &doc);
            QTextDocument again;
            ReadRtf(WriteRtf(&doc), &again);
            ASSERT_EQ(again.toPlainText(), doc.toPlainText()) << file.toStdString() << " #" << i;
        }
    }
    EXPECT_EQ(inputs, 60 * files.size());
}
