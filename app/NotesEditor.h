// The notes page's editor (reNotes): rich text with the usual editing
// keys, a Russian context menu with the edit and formatting commands, and
// pasting that keeps the formatting (HTML, or RTF when a program offers
// only that).
//
// It is read-only until the stored notes are first loaded into it, so
// that nothing is typed that could not be stored. A few seconds after the
// typing stops it says so (typingPaused), for the notes to be stored.
#pragma once

#include <QTextEdit>
#include <functional>

#include "data/Notes.h"

class QAction;
class QMenu;
class QTimer;

class TNotesEditor : public QTextEdit {
    Q_OBJECT
  public:
    explicit TNotesEditor(QWidget* parent = nullptr);

    // Replaces the text by `fill`, keeping the caret and the scroll place
    // where they can stay; the editor then holds the stored notes.
    void Reload(const std::function<void(QTextDocument*)>& fill);
    // Shows the stored value `stored` (RTF or plain text): reloads it, unless
    // the editor holds the notes read from these very bytes, unchanged since,
    // or holds typing not stored yet (which is never thrown away).
    void Show(const QByteArray& stored);
    // The text was stored.
    void Stored();
    bool HoldsNotes() const { return holdsNotes_; }
    // Changes typed since the last load or store.
    bool HasUnstoredChanges() const;

    static constexpr int TypingPauseMs = 3000;
    QTimer* TypingPause = nullptr;

    QMenu* popmNotes = nullptr;
    QAction* acUndo = nullptr;
    QAction* acRedo = nullptr;
    QAction* acCut = nullptr;
    QAction* acCopy = nullptr;
    QAction* acPaste = nullptr;
    QAction* acDelete = nullptr;
    QAction* acSelectAll = nullptr;
    QAction* acBold = nullptr;
    QAction* acItalic = nullptr;
    QAction* acUnderline = nullptr;
    QAction* acStrikeOut = nullptr;
    QAction* acAlignLeft = nullptr;
    QAction* acAlignCenter = nullptr;
    QAction* acAlignRight = nullptr;
    QAction* acAlignJustify = nullptr;
    QAction* acBullets = nullptr;
    QAction* acNumbering = nullptr;
    QAction* acFont = nullptr;
    QAction* acColor = nullptr;

  signals:
    void typingPaused();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    void CreateActions();
    void UpdateActions();
    void MergeFormat(const QTextCharFormat& format);
    void ToggleList(int style);
    void ChooseFont();
    void ChooseColor();

    bool holdsNotes_ = false;
    TNotesSource source_;
};
