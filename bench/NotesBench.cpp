// The notes page's load of notes of many paragraphs into its editor, shown
// as on the page: empty paragraphs as RTF, and one-line paragraphs as RTF
// (as the page stores them) and as plain text (as a previous version's
// notes are read).
#include <benchmark/benchmark.h>
#include <QApplication>

#include "app/NotesEditor.h"
#include "data/Notes.h"
#include "rtf/RtfWriter.h"

namespace {

// A line of a to-do list, numbered.
QString lines(int count) {
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i) text += u'\n';
        text += QStringLiteral("%1. Купить хлеб").arg(i + 1);
    }
    return text;
}

void load(benchmark::State& state, const QByteArray& data, int paragraphs) {
    TNotesEditor editor;
    editor.resize(800, 600);
    editor.show();
    for (auto _ : state) {
        editor.Reload([&](QTextDocument* doc) { ReadNotesText(data, doc); });
        QApplication::processEvents();  // what the change posted
    }
    if (editor.document()->blockCount() != paragraphs) state.SkipWithError("paragraphs lost");
    state.counters["KB"] = double(data.size()) / 1024;
}

void BM_NotesLoadRtf_Paragraphs(benchmark::State& state) {
    const int n = int(state.range(0));
    load(state, "{\\rtf1\\ansi\\ansicpg1251\\deff0 " + QByteArray("\\par\n").repeated(n) + "}", n);
}
BENCHMARK(BM_NotesLoadRtf_Paragraphs)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_NotesLoadRtf_Lines(benchmark::State& state) {
    const int n = int(state.range(0));
    QTextDocument doc;
    doc.setPlainText(lines(n));
    load(state, WriteRtf(&doc), n);
}
BENCHMARK(BM_NotesLoadRtf_Lines)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_NotesLoadPlain_Lines(benchmark::State& state) {
    const int n = int(state.range(0));
    load(state, lines(n).toUtf8(), n);
}
BENCHMARK(BM_NotesLoadPlain_Lines)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
