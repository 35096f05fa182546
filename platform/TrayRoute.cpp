#include "platform/TrayRoute.h"

TrayRoute ChooseTrayRoute(bool qtOnBus, bool xembedTray, bool busTray) {
    // Qt's icon stays with the bus it chose; it comes back with the tray.
    if (qtOnBus) return busTray ? TrayRoute::Qt : TrayRoute::None;
    if (xembedTray) return TrayRoute::Qt;
    if (busTray) return TrayRoute::Own;
    return TrayRoute::None;
}
