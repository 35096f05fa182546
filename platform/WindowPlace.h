// Placing windows and reaching the program's pictures.
#pragma once

#include <QPixmap>
#include <QString>
#include <Qt>

class QDialog;
class QPushButton;
class QRect;
class QWidget;

// A dialog of one fixed size: a title and a close box, nothing to
// minimise or maximise.
constexpr Qt::WindowFlags FixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// Moves `window` (frame included) to the middle of its screen.
void CentreOnScreen(QWidget* window);
// Moves `window` so that its frame stands at the centre of the primary
// screen, plus `offset` pixels right and down.
void PlaceAtCentre(QWidget* window, int offset);

// The pictures are resources of a static library: nothing refers to them,
// so the linker leaves them out unless they are registered once.
void InitAssets();
QPixmap AssetPicture(const QString& path);

// The "Ok" (default, closes with OK) and "Отмена" (Esc, closes without)
// buttons of a dialog, at the given places.
void AddOkCancel(QDialog* dialog, const QRect& okPlace, const QRect& cancelPlace, QPushButton*& ok,
                 QPushButton*& cancel);
