// Placing windows and reaching the program's pictures.
#pragma once

#include <QPixmap>
#include <QString>

class QWidget;

// Moves `window` (frame included) to the middle of its screen.
void CentreOnScreen(QWidget* window);

// The pictures are resources of a static library: nothing refers to them,
// so the linker leaves them out unless they are registered once.
void InitAssets();
QPixmap AssetPicture(const QString& path);
