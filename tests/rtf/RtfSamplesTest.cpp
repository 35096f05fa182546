// Documents written by real programs (kept in rtf-samples/, see its
// README): the text they hold and a few formatting facts each.
#include <gtest/gtest.h>

#include "tests/rtf/RtfTestSupport.h"

namespace {

struct Sample {
    const char* file;
    std::vector<QString> paragraphs;  // found in this order, each a whole paragraph
    int lists;                        // paragraphs in a list
    int tableCells;                   // cells of the first table (0: none)
    int images;
    const char* link;
};

int listParagraphs(const QTextDocument& doc) {
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        n += b.textList() != nullptr;
    return n;
}

}  // namespace

TEST(RtfSamples, EachWritersDocumentReadsWithItsTextAndFormats) {
    const std::vector<Sample> samples = {
        {"libreoffice.rtf",
         {u("Планы на неделю"), u("Хлеб"), u("Сыр «Российский»"), u("Второй шаг"),
          u("По центру — с тире"), u("Иван"), u("+7 900 123-45-67"),
          u("Ελληνικά, Polski: zażółć, Français: éàü, 中文 and 日本語, emoji 😀.")},
         5,
         4,
         1,
         "https://example.org/"},
        {"pandoc.rtf",
         {u("Список дел"), u("•\tХлеб"), u("–\tобезжиренное"), u("Имя"), u("Иван"),
          u("Цитата — «в кавычках»."), u("Конец.")},
         0,
         4,
         0,
         "https://example.org/"},
        {"abiword.rtf",
         {u("Планы на неделю"), u("Молоко"), u("Справа"), u("Телефон")},
         5,
         4,
         1,
         "https://example.org/"},
        {"wordpad.rtf",
         {u("Планы"), u("Хлеб"), u("Молоко"), u("Первый шаг"), u("Имя"), u("Телефон"),
          u("Unicode: €αβ «»"), u("Картинки: \uFFFC \uFFFC"), u("Конец")},
         4,
         4,
         2,
         nullptr},
        {"word.rtf",
         {u("Планы на неделю"), u("Хлеб"), u("ржаной"), u("Второй шаг"), u("Имя"),
          u("+7 900 123-45-67"), u("Ссылка: пример. Картинка: \uFFFC")},
         4,
         4,
         1,
         "https://example.org/"},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.file);
        const QByteArray data = SampleFile(QString::fromLatin1(s.file));
        ASSERT_FALSE(data.isEmpty());
        auto doc = ReadDoc(data);
        const QStringList paragraphs = Paragraphs(*doc).split(u'\n');
        int from = 0;
        for (const QString& p : s.paragraphs) {
            const int at = int(paragraphs.indexOf(p, from));
            EXPECT_GE(at, 0) << p.toStdString() << "\n" << Paragraphs(*doc).toStdString();
            if (at >= 0) from = at + 1;
        }
        EXPECT_EQ(listParagraphs(*doc), s.lists);
        QTextTable* table = FirstTable(*doc);
        EXPECT_EQ(table ? table->rows() * table->columns() : 0, s.tableCells);
        EXPECT_EQ(ImageCount(*doc), s.images);
        if (s.link) {
            EXPECT_EQ(FormatOf(*doc, u("пример")).anchorHref(), s.link);
        }
        const QString text = Paragraphs(*doc);
        EXPECT_FALSE(text.contains(QLatin1String("89504e47"))) << "no picture data as text";
        EXPECT_FALSE(text.contains(QLatin1String("Normal"))) << "no style names";
    }
}

TEST(RtfSamples, FormattingFactsOfEachWriter) {
    auto lo = ReadDoc(SampleFile("libreoffice.rtf"));
    EXPECT_EQ(FormatOf(*lo, u("полужирный")).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatOf(*lo, u("красный")).foreground().color(), QColor("#c00000"));
    EXPECT_EQ(FormatOf(*lo, u("выделенный")).background().color(), QColor("#ffff00"));
    EXPECT_EQ(BlockOf(*lo, u("Планы на неделю")).blockFormat().headingLevel(), 1);
    EXPECT_EQ(FormatOf(*lo, u("Планы")).fontPointSize(), 24);
    EXPECT_EQ(BlockOf(*lo, u("Справа")).blockFormat().alignment(), Qt::AlignRight);
    EXPECT_EQ(BlockOf(*lo, u("Первый")).textList()->format().style(), QTextListFormat::ListDecimal);

    auto word = ReadDoc(SampleFile("word.rtf"));
    EXPECT_EQ(FormatOf(*word, u("Обычный")).fontFamilies().toStringList(), QStringList{"Calibri"});
    EXPECT_EQ(FormatOf(*word, u("Обычный")).fontPointSize(), 11);
    EXPECT_EQ(FormatOf(*word, u("курсив")).fontItalic(), true);
    EXPECT_EQ(FormatOf(*word, u("café")).fontFamilies().toStringList(),
              QStringList{"Times New Roman"});
    EXPECT_EQ(FormatOf(*word, u("Планы")).foreground().color(), QColor(47, 84, 150));
    EXPECT_EQ(BlockOf(*word, u("ржаной")).textList()->format().indent(), 2);
    EXPECT_FALSE(Paragraphs(*word).contains(u("Колонтитул"))) << "the header stays out";

    auto pad = ReadDoc(SampleFile("wordpad.rtf"));
    EXPECT_EQ(FormatOf(*pad, u("подчёркнутый")).underlineStyle(), QTextCharFormat::SingleUnderline);
    EXPECT_TRUE(FormatOf(*pad, u("зачёркнутый")).fontStrikeOut());
    EXPECT_EQ(FormatOf(*pad, u("выделенный")).background().color(), QColor(255, 255, 0));
    EXPECT_EQ(FormatOf(*pad, u("Обычный")).fontPointSize(), 11);
    EXPECT_EQ(BlockOf(*pad, u("Хлеб")).textList()->format().style(), QTextListFormat::ListDisc);

    auto cp = ReadDoc(SampleFile("codepages.rtf"));
    EXPECT_EQ(Paragraphs(*cp), u("1251: Привет\n1250: zażółć\n1253: Ελληνικά\n1252: Français é\n"
                                 "936: 中文\n932: 日本語ア\n1254: İstanbul ğ\n950: 繁體\n"
                                 "949: 한국\ncpg: α"));
}
