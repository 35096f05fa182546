// The standard texts of Qt's own dialogs (message box buttons, the
// calendar popup) in Russian, like the rest of the interface.
#pragma once

void InstallRussianTranslation();
