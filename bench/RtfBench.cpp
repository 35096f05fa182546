// The notes page's RTF: a 1 MB document, mostly Russian with some
// formatting, loaded into the editor and stored back, beside
// QTextDocument::setHtml of the same content; and 100,000 nested groups.
#include <benchmark/benchmark.h>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <QTextTable>

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

namespace {

const char* const kWords[] = {
    "заметка", "встреча",   "в",     "понедельник", "купить",   "хлеб",   "и",
    "молоко",  "позвонить", "Ивану", "по",          "поводу",   "отчёта", "за",
    "квартал", "проверить", "почту", "ответить",    "на",       "письма", "забрать",
    "посылку", "с",         "почты", "день",        "рождения", "у",      "мамы"};

// The same content as RTF and as HTML.
struct NotesContent {
    QByteArray rtf;
    QString html;
    int characters = 0;
};

const NotesContent& content() {
    static const NotesContent c = [] {
        QTextDocument doc;
        QTextCursor cur(&doc);
        QTextCharFormat plain, bold, italic, red;
        bold.setFontWeight(QFont::Bold);
        italic.setFontItalic(true);
        red.setForeground(QColor(200, 0, 0));
        QTextBlockFormat heading;
        heading.setHeadingLevel(2);
        unsigned seed = 1;
        auto word = [&] {
            seed = seed * 1103515245 + 12345;
            return QString::fromUtf8(kWords[(seed >> 16) % (sizeof kWords / sizeof *kWords)]);
        };
        NotesContent out;
        for (int p = 0; out.rtf.size() < 1000 * 1000; ++p) {
            if (p % 25 == 0) {
                QTextCharFormat h = bold;
                h.setFontPointSize(16);
                cur.insertBlock(heading);
                cur.insertText(QStringLiteral("Раздел %1").arg(p / 25 + 1), h);
                cur.insertBlock(QTextBlockFormat());
            } else if (p % 10 == 0) {
                cur.insertList(QTextListFormat::ListDisc);
                for (int i = 0; i < 3; ++i) {
                    if (i) cur.insertBlock();
                    cur.insertText(word() + u' ' + word(), plain);
                }
                cur.insertBlock(QTextBlockFormat());
            } else {
                for (int w = 0; w < 60; ++w) {
                    const QTextCharFormat& f = w % 17 == 5   ? bold
                                               : w % 23 == 7 ? italic
                                               : w % 29 == 9 ? red
                                                             : plain;
                    cur.insertText(word() + u' ', f);
                }
                cur.insertBlock();
            }
            if (p % 50 == 0) out.rtf = WriteRtf(&doc);
        }
        out.rtf = WriteRtf(&doc);
        out.html = doc.toHtml();
        out.characters = doc.characterCount();
        return out;
    }();
    return c;
}

void label(benchmark::State& state) {
    const NotesContent& c = content();
    state.counters["rtf_KB"] = double(c.rtf.size()) / 1024;
    state.counters["html_KB"] = double(c.html.toUtf8().size()) / 1024;
    state.counters["chars"] = c.characters;
}

void BM_NotesLoadRtf(benchmark::State& state) {
    const NotesContent& c = content();
    QTextEdit editor;
    for (auto _ : state)
        ReadRtf(c.rtf, editor.document());
    if (editor.document()->characterCount() != c.characters)
        state.SkipWithError("the text did not come back whole");
    label(state);
}
BENCHMARK(BM_NotesLoadRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_NotesLoadHtml(benchmark::State& state) {
    const NotesContent& c = content();
    QTextEdit editor;
    for (auto _ : state)
        editor.document()->setHtml(c.html);
    label(state);
}
BENCHMARK(BM_NotesLoadHtml)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_NotesStoreRtf(benchmark::State& state) {
    const NotesContent& c = content();
    QTextEdit editor;
    ReadRtf(c.rtf, editor.document());
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteRtf(editor.document()));
    if (WriteRtf(editor.document()) != c.rtf) state.SkipWithError("stored differently");
    label(state);
}
BENCHMARK(BM_NotesStoreRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_NotesStoreHtml(benchmark::State& state) {
    const NotesContent& c = content();
    QTextEdit editor;
    editor.document()->setHtml(c.html);
    for (auto _ : state)
        benchmark::DoNotOptimize(editor.document()->toHtml());
    label(state);
}
BENCHMARK(BM_NotesStoreHtml)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RtfNestedGroups(benchmark::State& state) {
    const int depth = int(state.range(0));
    const QByteArray rtf = "{\\rtf1 " + QByteArray("{\\b x").repeated(depth) + "y" +
                           QByteArray("}").repeated(depth) + "}";
    QTextDocument doc;
    for (auto _ : state)
        ReadRtf(rtf, &doc);
    if (doc.characterCount() != depth + 2) state.SkipWithError("text lost");
    state.SetLabel("groups, each with a state change and text");
}
BENCHMARK(BM_RtfNestedGroups)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
