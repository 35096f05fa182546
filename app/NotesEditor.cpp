#include "app/NotesEditor.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QFontDialog>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTimer>

#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "rtf/RtfPictureData.h"
#include "rtf/RtfReader.h"

namespace {

const char* const kRtfTypes[] = {"text/rtf", "text/richtext", "application/rtf"};

QByteArray rtfOf(const QMimeData* source) {
    for (const char* type : kRtfTypes)
        if (source->hasFormat(QLatin1String(type))) return source->data(QLatin1String(type));
    return {};
}

}  // namespace

TNotesEditor::TNotesEditor(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    // Until the notes are loaded; that happens only with a connection.
    setReadOnly(true);
    setPlaceholderText(QStringLiteral(
        "Нет подключения к базе данных: заметки не загружены, писать их здесь нельзя."));
    TypingPause = new QTimer(this);
    TypingPause->setSingleShot(true);
    TypingPause->setInterval(TypingPauseMs);
    connect(TypingPause, &QTimer::timeout, this, &TNotesEditor::typingPaused);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        source_.Changed();
        if (HasUnstoredChanges()) TypingPause->start();
    });
    CreateActions();
    connect(this, &QTextEdit::currentCharFormatChanged, this, [this] { UpdateActions(); });
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] { UpdateActions(); });
}

void TNotesEditor::CreateActions() {
    auto action = [this](const char* name, const char* caption, QKeySequence key, auto handler,
                         bool checkable = false) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setCheckable(checkable);
        connect(a, &QAction::triggered, this, [handler] { Guarded(handler); });
        addAction(a);
        return a;
    };
    acUndo = action("acUndo", "Отменить", QKeySequence::Undo, [this] { undo(); });
    acRedo = action("acRedo", "Повторить", QKeySequence::Redo, [this] { redo(); });
    // Ctrl+Y redoes on every desktop, beside the desktop's own keys.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y);
    if (!redoKeys.contains(ctrlY)) redoKeys.prepend(ctrlY);
    acRedo->setShortcuts(redoKeys);
    acCut = action("acCut", "Вырезать", QKeySequence::Cut, [this] { cut(); });
    acCopy = action("acCopy", "Копировать", QKeySequence::Copy, [this] { copy(); });
    acPaste = action("acPaste", "Вставить", QKeySequence::Paste, [this] { paste(); });
    acDelete = action("acDelete", "Удалить", QKeySequence::Delete,
                      [this] { textCursor().removeSelectedText(); });
    acSelectAll =
        action("acSelectAll", "Выделить всё", QKeySequence::SelectAll, [this] { selectAll(); });
    acBold = action(
        "acBold", "Полужирный", QKeySequence::Bold,
        [this] {
            QTextCharFormat f;
            f.setFontWeight(acBold->isChecked() ? QFont::Bold : QFont::Normal);
            MergeFormat(f);
        },
        true);
    acItalic = action(
        "acItalic", "Курсив", QKeySequence::Italic,
        [this] {
            QTextCharFormat f;
            f.setFontItalic(acItalic->isChecked());
            MergeFormat(f);
        },
        true);
    acUnderline = action(
        "acUnderline", "Подчёркнутый", QKeySequence::Underline,
        [this] {
            QTextCharFormat f;
            f.setFontUnderline(acUnderline->isChecked());
            MergeFormat(f);
        },
        true);
    acStrikeOut = action(
        "acStrikeOut", "Зачёркнутый", QKeySequence(Qt::CTRL | Qt::Key_K),
        [this] {
            QTextCharFormat f;
            f.setFontStrikeOut(acStrikeOut->isChecked());
            MergeFormat(f);
        },
        true);
    acAlignLeft = action(
        "acAlignLeft", "По левому краю", QKeySequence(Qt::CTRL | Qt::Key_L),
        [this] { setAlignment(Qt::AlignLeft); }, true);
    acAlignCenter = action(
        "acAlignCenter", "По центру", QKeySequence(Qt::CTRL | Qt::Key_E),
        [this] { setAlignment(Qt::AlignHCenter); }, true);
    acAlignRight = action(
        "acAlignRight", "По правому краю", QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { setAlignment(Qt::AlignRight); }, true);
    acAlignJustify = action(
        "acAlignJustify", "По ширине", QKeySequence(Qt::CTRL | Qt::Key_J),
        [this] { setAlignment(Qt::AlignJustify); }, true);
    acBullets = action(
        "acBullets", "Маркированный список", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
        [this] { ToggleList(QTextListFormat::ListDisc); }, true);
    acNumbering = action(
        "acNumbering", "Нумерованный список", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
        [this] { ToggleList(QTextListFormat::ListDecimal); }, true);
    auto* aligns = new QActionGroup(this);  // shown as one choice
    for (QAction* a : {acAlignLeft, acAlignCenter, acAlignRight, acAlignJustify})
        aligns->addAction(a);
    acFont = action("acFont", "Шрифт...", QKeySequence(), [this] { ChooseFont(); });
    acColor = action("acColor", "Цвет текста...", QKeySequence(), [this] { ChooseColor(); });

    popmNotes = new QMenu(this);
    popmNotes->addActions({acUndo, acRedo});
    popmNotes->addSeparator();
    popmNotes->addActions({acCut, acCopy, acPaste, acDelete});
    popmNotes->addSeparator();
    popmNotes->addAction(acSelectAll);
    popmNotes->addSeparator();
    popmNotes->addActions({acBold, acItalic, acUnderline, acStrikeOut});
    popmNotes->addSeparator();
    popmNotes->addActions({acAlignLeft, acAlignCenter, acAlignRight, acAlignJustify});
    popmNotes->addSeparator();
    popmNotes->addActions({acBullets, acNumbering});
    popmNotes->addSeparator();
    popmNotes->addActions({acFont, acColor});
}

void TNotesEditor::UpdateActions() {
    const QTextCharFormat f = currentCharFormat();
    acBold->setChecked(f.fontWeight() >= QFont::DemiBold);
    acItalic->setChecked(f.fontItalic());
    acUnderline->setChecked(f.fontUnderline());
    acStrikeOut->setChecked(f.fontStrikeOut());
    const Qt::Alignment a = alignment();
    acAlignCenter->setChecked(a & Qt::AlignHCenter);
    acAlignRight->setChecked(a & Qt::AlignRight);
    acAlignJustify->setChecked(a & Qt::AlignJustify);
    acAlignLeft->setChecked(!(a & (Qt::AlignHCenter | Qt::AlignRight | Qt::AlignJustify)));
    const QTextList* list = textCursor().currentList();
    const int style = list ? list->format().style() : 0;
    acBullets->setChecked(style == QTextListFormat::ListDisc);
    acNumbering->setChecked(style == QTextListFormat::ListDecimal);
}

void TNotesEditor::contextMenuEvent(QContextMenuEvent* event) {
    const bool editable = !isReadOnly();
    const bool selected = textCursor().hasSelection();
    for (QAction* a : actions())
        a->setEnabled(editable);
    acCopy->setEnabled(selected);
    acCut->setEnabled(editable && selected);
    acDelete->setEnabled(editable && selected);
    acSelectAll->setEnabled(true);
    acUndo->setEnabled(editable && document()->isUndoAvailable());
    acRedo->setEnabled(editable && document()->isRedoAvailable());
    acPaste->setEnabled(editable && canPaste());
    UpdateActions();
    popmNotes->popup(event->globalPos());
    event->accept();
}

void TNotesEditor::MergeFormat(const QTextCharFormat& format) {
    mergeCurrentCharFormat(format);
}

void TNotesEditor::ToggleList(int style) {
    QTextCursor c = textCursor();
    c.beginEditBlock();
    QTextList* list = c.currentList();
    if (list && list->format().style() == style) {
        // The same command again takes the paragraphs out of the list.
        const QTextBlock last = document()->findBlock(c.selectionEnd());
        for (QTextBlock b = document()->findBlock(c.selectionStart()); b.isValid(); b = b.next()) {
            if (QTextList* l = b.textList()) l->remove(b);
            QTextCursor bc(b);
            QTextBlockFormat bf = b.blockFormat();
            bf.setIndent(0);
            bc.setBlockFormat(bf);
            if (b == last) break;
        }
    } else {
        QTextListFormat f;
        f.setStyle(QTextListFormat::Style(style));
        f.setIndent(list ? list->format().indent() : 1);
        c.createList(f);
    }
    c.endEditBlock();
    UpdateActions();
}

void TNotesEditor::ChooseFont() {
    QFontDialog dialog(currentFont(), this);
    dialog.setWindowTitle(QStringLiteral("Шрифт"));
    if (ShowModal(&dialog) != QDialog::Accepted) return;
    QTextCharFormat f;
    f.setFont(dialog.selectedFont(), QTextCharFormat::FontPropertiesSpecifiedOnly);
    MergeFormat(f);
}

void TNotesEditor::ChooseColor() {
    QColorDialog dialog(textColor(), this);
    dialog.setWindowTitle(QStringLiteral("Цвет текста"));
    if (ShowModal(&dialog) != QDialog::Accepted) return;
    QTextCharFormat f;
    f.setForeground(dialog.selectedColor());
    MergeFormat(f);
}

bool TNotesEditor::canInsertFromMimeData(const QMimeData* source) const {
    return !rtfOf(source).isEmpty() || QTextEdit::canInsertFromMimeData(source);
}

void TNotesEditor::insertFromMimeData(const QMimeData* source) {
    const QByteArray rtf = source->hasHtml() ? QByteArray() : rtfOf(source);
    if (!IsRtf(rtf)) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    // A program that offers RTF but no HTML: read it, pictures included.
    QTextDocument pasted;
    ReadRtf(rtf, &pasted);
    for (QTextBlock b = pasted.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat()) continue;
            const QString name = f.toImageFormat().name();
            const QUrl url(name);
            document()->addResource(QTextDocument::ImageResource, url,
                                    pasted.resource(QTextDocument::ImageResource, url));
            KeepPictureData(document(), name, PictureForWriting(&pasted, name));
        }
    }
    textCursor().insertFragment(QTextDocumentFragment(&pasted));
    ensureCursorVisible();
}

void TNotesEditor::Reload(const std::function<void(QTextDocument*)>& fill) {
    const int position = textCursor().position();
    const int scroll = verticalScrollBar()->value();
    // The editor lets go of its caret while the text is replaced: carried
    // to the end of the new text, its old place would be shown at the move
    // back, which lays out the whole document at once.
    setTextCursor(QTextCursor());
    fill(document());
    QTextCursor c(document());
    c.setPosition(std::min(position, document()->characterCount() - 1));
    setTextCursor(c);
    verticalScrollBar()->setValue(scroll);
    setReadOnly(false);
    setPlaceholderText(QString());
    holdsNotes_ = true;
    Stored();
}

void TNotesEditor::Show(const QByteArray& stored) {
    // What was typed and not stored yet is newer than any stored value: it
    // stays, with its undo steps, and goes at the next store.
    if (HasUnstoredChanges()) return;
    if (holdsNotes_ && !source_.NeedsLoad(stored)) return;
    Reload([&stored](QTextDocument* doc) { ReadNotesText(stored, doc); });
    source_.Filled(stored);
}

void TNotesEditor::Stored() {
    document()->setModified(false);
    TypingPause->stop();
}

bool TNotesEditor::HasUnstoredChanges() const {
    return holdsNotes_ && document()->isModified();
}
