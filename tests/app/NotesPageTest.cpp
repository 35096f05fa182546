// The notes page through the real window and server: the moments the
// notes are loaded and stored, the end of the program, the pause after
// typing, no connection, and the editor's keys, menu and pasting.
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextList>
#include <QTimer>
#include <functional>

#include "app/Main.h"
#include "app/NotesEditor.h"
#include "app/Previnst.h"
#include "data/DataModule.h"
#include "data/FbClient.h"
#include "data/Notes.h"
#include "platform/Modal.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"

namespace {

QString u(const char* s) {
    return QString::fromUtf8(s);
}

class NotesPageTest : public ProgramTest {
  protected:
    void SetUp() override {}  // each test starts the program when its data is in place

    void start(const QByteArray* stored = nullptr) {
        if (stored) {
            FbConnection c;
            c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
            auto tr = c.Begin();
            c.Execute(*tr, "INSERT INTO NOTE (TEXT) VALUES (?)", {Value::FromBytes(*stored)});
            tr->Commit();
        }
        StartProgram();
        frmMain->ShowAtStart(false);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frmMain));
    }
    // The stored value of the notes row, "<none>" without one.
    QByteArray stored() {
        FbConnection c;
        c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        QueryResult r = c.Query(*tr, "SELECT TEXT FROM NOTE WHERE USER_ID=1");
        if (r.rows.empty()) return "<none>";
        if (r.rows.size() > 1) return "<several>";
        return r.rows[0][0].toBytes();
    }
    // The stored value as the editor would show it.
    QString storedText() {
        QTextDocument doc;
        ReadNotesText(stored(), &doc);
        return doc.toPlainText();
    }
    void setStored(const QByteArray& data) {
        Sql("UPDATE NOTE SET TEXT='" + QString::fromLatin1(data) + "'");
    }
    void goTo(QWidget* page) {
        QTabBar* bar = frmMain->PageControl->tabBar();
        const int index = frmMain->PageControl->indexOf(page);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    TNotesEditor& editor() { return *frmMain->reNotes; }
    QString shown() { return editor().toPlainText(); }
    // Types as a keyboard would, Cyrillic letters included.
    void type(const QString& text) {
        editor().setFocus();
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, &editor(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    void setInMemory(const QByteArray& data) {
        DM->cdsNote.Edit();
        DM->cdsNote.FieldByName("TEXT").SetBytes(data);
        DM->cdsNote.Post();
    }
};

}  // namespace

TEST_F(NotesPageTest, EnteringLoadsLeavingStoresAndComingBackLoadsTheRowInMemory) {
    const QByteArray lo = [] {
        QFile f(QUILLET_SOURCE_DIR "/tests/rtf/rtf-samples/libreoffice.rtf");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    start(&lo);
    EXPECT_TRUE(shown().isEmpty()) << "the window opens on the plan page; nothing loaded";
    EXPECT_TRUE(editor().isReadOnly());

    goTo(frmMain->tshNotes);
    EXPECT_TRUE(frmMain->NotesLoaded);
    EXPECT_TRUE(shown().startsWith(u("Планы на неделю\nОбычный текст")));
    EXPECT_FALSE(editor().isReadOnly());
    const QTextCursor bold = editor().document()->find(u("полужирный"));
    EXPECT_EQ(QTextCursor(bold).charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(stored(), lo) << "loading writes nothing";

    editor().moveCursor(QTextCursor::Start);
    type(u("Новое: "));
    goTo(frmMain->tshBirth);
    EXPECT_FALSE(frmMain->NotesLoaded);
    EXPECT_TRUE(stored().startsWith("{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1"));
    EXPECT_TRUE(storedText().startsWith(u("Новое: Планы на неделю\n")));
    EXPECT_EQ(storedText(), shown());

    // Back on the page, the text comes from the in-memory row, not the database.
    setStored("{\\rtf1 from the database}");
    setInMemory("{\\rtf1 from memory}");
    goTo(frmMain->tshNotes);
    EXPECT_EQ(shown(), "from memory");
}

TEST_F(NotesPageTest, NoRowGivesAnEmptyEditorTheFirstStoreCreatesTheRowFoundNextStart) {
    start();
    goTo(frmMain->tshNotes);
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(editor().isReadOnly());
    EXPECT_TRUE(editor().placeholderText().isEmpty());
    type(u("Первая заметка"));
    goTo(frmMain->tshPlan);
    EXPECT_EQ(storedText(), u("Первая заметка"));
    EXPECT_EQ(SqlValue("SELECT COUNT(*) FROM NOTE WHERE USER_ID=1"), "1");

    goTo(frmMain->tshNotes);
    type(u("!"));
    goTo(frmMain->tshPlan);
    EXPECT_EQ(SqlValue("SELECT COUNT(*) FROM NOTE"), "1") << "the row is changed, not added";

    EndProgramRun();
    StartProgram();
    goTo(frmMain->tshNotes);
    EXPECT_EQ(shown(), u("Первая заметка!"));
}

TEST_F(NotesPageTest, PlainTextRowShownAsTextAndEveryStoreWritesRtf) {
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"Windows-1251", QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2\r\n\xec\xe8\xf0")},
        {"UTF-8", QByteArray("Привет\r\nмир")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(&c.data);
        goTo(frmMain->tshNotes);
        EXPECT_EQ(shown(), u("Привет\nмир"));
        goTo(frmMain->tshPlan);  // nothing typed: a store always writes
        EXPECT_TRUE(stored().startsWith("{\\rtf1"));
        EXPECT_EQ(storedText(), u("Привет\nмир"));
        EndProgramRun();
        Sql("DELETE FROM NOTE");
    }
}

TEST_F(NotesPageTest, ClosingOnTheNotesPageStoresRestoringLoadsOtherPagesDoNeither) {
    const QByteArray first = "{\\rtf1 first}";
    start(&first);
    goTo(frmMain->tshNotes);
    editor().moveCursor(QTextCursor::End);
    type(u(" и ещё"));
    frmMain->close();
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_EQ(storedText(), u("first и ещё"));
    EXPECT_TRUE(frmMain->NotesLoaded) << "closing leaves it as it was";

    setInMemory("{\\rtf1 changed meanwhile}");
    frmMain->RestorePlanWindow();
    EXPECT_EQ(shown(), "changed meanwhile") << "loaded again at the restore";

    goTo(frmMain->tshPlan);  // stores "changed meanwhile"
    setStored("{\\rtf1 marker}");
    frmMain->close();
    frmMain->RestorePlanWindow();
    EXPECT_EQ(storedText(), "marker") << "closing on another page stores nothing";
    EXPECT_EQ(shown(), "changed meanwhile") << "restoring on another page loads nothing";
}

TEST_F(NotesPageTest, ComingBackLoadsTheNotesAgainOnlyWhenTheRowOrTheTextChanged) {
    const QByteArray first = "{\\rtf1 first}";
    start(&first);
    const std::function<void()> toPlan = [&] { goTo(frmMain->tshPlan); },
                                toNotes = [&] { goTo(frmMain->tshNotes); },
                                hide = [&] { frmMain->close(); },
                                show = [&] { frmMain->RestorePlanWindow(); }, nothing = [] {};
    const struct {
        const char* name;
        std::function<void()> before, leave, away, comeBack;
        bool loaded;
    } cases[] = {
        {"typed, by the pages", [&] { type(u("!")); }, toPlan, nothing, toNotes, true},
        {"row changed, by the window", nothing, hide, [&] { setInMemory("{\\rtf1 second}"); }, show,
         true},
        {"nothing, by the pages", nothing, toPlan, nothing, toNotes, false},
        {"nothing, by the window", nothing, hide, nothing, show, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        toPlan();
        toNotes();  // the row holds the text as the editor writes it
        const int revision = editor().document()->revision();
        c.before();
        c.leave();
        c.away();
        c.comeBack();
        EXPECT_EQ(editor().document()->revision() != revision, c.loaded);
        QTextDocument row;
        ReadNotesText(NotesRowText(DM->cdsNote), &row);
        EXPECT_EQ(shown(), row.toPlainText());
    }
}

TEST_F(NotesPageTest, TypingIsStoredAFewSecondsAfterItStops) {
    const QByteArray first = "{\\rtf1 a}";
    start(&first);
    EXPECT_EQ(editor().TypingPause->interval(), 3000);
    editor().TypingPause->setInterval(150);
    goTo(frmMain->tshNotes);
    Pump(300);
    EXPECT_EQ(stored(), first) << "loading is no typing";

    editor().moveCursor(QTextCursor::End);
    type("b");
    Pump(50);
    type("c");
    EXPECT_EQ(storedText(), "a") << "not while typing";
    Pump(300);
    EXPECT_EQ(storedText(), "abc");
    EXPECT_TRUE(frmMain->PageControl->currentWidget() == frmMain->tshNotes);
}

TEST_F(NotesPageTest, TheEndOfTheProgramStoresWhatWasTyped) {
    const struct {
        const char* name;
        std::function<void()> end;
    } ways[] = {
        {"Выход из программы", [] { frmMain->acShutDown->trigger(); }},
        {"close request of a second start", [] { frmMain->OnRunMessage(RunMsg, CloseCode, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        start();
        goTo(frmMain->tshNotes);
        type(u("не потерять"));
        QTimer::singleShot(0, frmMain, way.end);
        QApplication::exec();  // the message loop, ended by the command
        EndProgramRun();
        EXPECT_EQ(storedText(), u("не потерять"));
        Sql("DELETE FROM NOTE");
    }
    start();
    goTo(frmMain->tshNotes);
    goTo(frmMain->tshPlan);
    setStored("{\\rtf1 marker}");
    EndProgramRun();
    EXPECT_EQ(storedText(), "marker") << "nothing typed since the last store: nothing stored";
}

TEST_F(NotesPageTest, WithoutConnectionTheMomentsDoNothingAndNothingCanBeTyped) {
    QFile::remove(db.dbPath());
    ModalAnswers answers;  // the connection failure's box, then none at any moment
    answers.Press(QMessageBox::Ok);
    start();
    ASSERT_FALSE(DM->IsConnected());
    ASSERT_EQ(answers.Remaining(), 0);
    goTo(frmMain->tshNotes);
    type("lost");
    EXPECT_TRUE(shown().isEmpty()) << "read-only: what cannot be stored is not typed";
    EXPECT_TRUE(editor().placeholderText().startsWith(u("Нет подключения к базе данных")));
    frmMain->close();
    frmMain->RestorePlanWindow();
    EXPECT_EQ(frmMain->PageControl->currentWidget(), frmMain->tshNotes);
    frmMain->StoreNotesAtEnd();
    EndProgramRun();
}

TEST_F(NotesPageTest, FormattingKeysUndoAndTheContextMenu) {
    start();
    goTo(frmMain->tshNotes);
    TNotesEditor& e = editor();
    type("word");
    QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_U, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_E, Qt::ControlModifier);
    QTextCursor c(e.document());
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(c.charFormat().fontItalic());
    EXPECT_TRUE(c.charFormat().fontUnderline());
    EXPECT_EQ(c.blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_TRUE(e.acBold->isChecked());
    QTest::keyClick(&e, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(e.document()->begin().blockFormat().alignment(), Qt::AlignRight);
    QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.document()->begin().blockFormat().alignment(), Qt::AlignLeft) << "undone twice";
    QTest::keyClick(&e, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(e.document()->begin().blockFormat().alignment(), Qt::AlignHCenter) << "redone";
    EXPECT_EQ(e.acRedo->shortcuts().count(QKeySequence(Qt::CTRL | Qt::Key_Y)), 1)
        << "Ctrl+Y whatever the desktop's redo keys are";
    QTest::keyClick(&e, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(e.document()->begin().textList());
    EXPECT_EQ(e.document()->begin().textList()->format().style(), QTextListFormat::ListDisc);
    QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);

    QStringList captions;
    for (QAction* a : e.popmNotes->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, QStringList({u("Отменить"),
                                     u("Повторить"),
                                     "-",
                                     u("Вырезать"),
                                     u("Копировать"),
                                     u("Вставить"),
                                     u("Удалить"),
                                     "-",
                                     u("Выделить всё"),
                                     "-",
                                     u("Полужирный"),
                                     u("Курсив"),
                                     u("Подчёркнутый"),
                                     u("Зачёркнутый"),
                                     "-",
                                     u("По левому краю"),
                                     u("По центру"),
                                     u("По правому краю"),
                                     u("По ширине"),
                                     "-",
                                     u("Маркированный список"),
                                     u("Нумерованный список"),
                                     "-",
                                     u("Шрифт..."),
                                     u("Цвет текста...")}));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(20, 20), e.mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(e.viewport(), &menu);
    Pump(20);
    EXPECT_TRUE(e.popmNotes->isVisible());
    EXPECT_TRUE(e.acCopy->isEnabled()) << "the text is selected";
    e.popmNotes->hide();

    ModalAnswers answers;
    answers.Then<QColorDialog>([](QColorDialog& d) {
        d.setCurrentColor(QColor(0, 128, 0));
        d.accept();
    });
    e.acColor->trigger();
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0, 128, 0));
    goTo(frmMain->tshPlan);
    const QByteArray rtf = stored();
    EXPECT_TRUE(rtf.contains("\\b\\i\\ul\\cf1 word")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\red0\\green128\\blue0;"));
}

TEST_F(NotesPageTest, PastingKeepsTheFormattingAndIsStoredAsRtf) {
    start();
    goTo(frmMain->tshNotes);
    auto* html = new QMimeData;
    html->setHtml(
        u("<p><b>жирный</b> <span style='color:#ff0000'>красный</span></p>"
          "<ul><li>пункт</li></ul>"));
    html->setText(u("жирный красный пункт"));
    QApplication::clipboard()->setMimeData(html);
    QTest::keyClick(&editor(), Qt::Key_V, Qt::ControlModifier);
    const QTextDocument& d = *editor().document();
    EXPECT_EQ(QTextCursor(d.find(u("жирный"))).charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(QTextCursor(d.find(u("красный"))).charFormat().foreground().color(), Qt::red);
    EXPECT_TRUE(d.find(u("пункт")).block().textList());

    auto* rtf = new QMimeData;
    rtf->setData("text/rtf", "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;} {\\cf1\\i RTF}}");
    QApplication::clipboard()->setMimeData(rtf);
    QTest::keyClick(&editor(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(QTextCursor(d.find("RTF")).charFormat().fontItalic());

    goTo(frmMain->tshPlan);
    QTextDocument back;
    ReadNotesText(stored(), &back);
    EXPECT_EQ(QTextCursor(back.find(u("жирный"))).charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(QTextCursor(back.find(u("красный"))).charFormat().foreground().color(), Qt::red);
    EXPECT_TRUE(back.find(u("пункт")).block().textList());
    EXPECT_EQ(QTextCursor(back.find("RTF")).charFormat().foreground().color(), Qt::blue);
}

TEST_F(NotesPageTest, OpeningTheWindowFromTheTrayKeepsTypingNotStoredYet) {
    const QByteArray first = "{\\rtf1 first}";
    start(&first);
    const struct {
        const char* name;
        std::function<void()> open;
    } ways[] = {
        {"a left click on the tray icon",
         [] { frmMain->TrayIconNotify(QSystemTrayIcon::Trigger); }},
        {"Открыть Quillet...", [] { frmMain->acRestorePlanWindow->trigger(); }},
    };
    goTo(frmMain->tshNotes);
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        editor().moveCursor(QTextCursor::End);
        type(u(" слово"));
        const QString typed = shown();
        way.open();
        EXPECT_EQ(shown(), typed);
        EXPECT_TRUE(editor().HasUnstoredChanges()) << "still to be stored";
        QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_FALSE(shown().endsWith(u("слово"))) << "the typing can be undone";
        QTest::keyClick(&editor(), Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(shown(), typed);
    }
    goTo(frmMain->tshPlan);
    EXPECT_EQ(storedText(), u("first слово слово"));
}
