// Which way the program's icon reaches the tray, as trays come and go.
#pragma once

// Qt: Qt's own icon (on an XEmbed tray, or on the StatusNotifierItem tray
// Qt found at start); Own: the program's own StatusNotifierItem, for such a
// tray that came up after the start (Qt settles its way once, at start);
// None: no tray, the window stands in for it.
enum class TrayRoute { None, Qt, Own };

// `qtOnBus`: a StatusNotifierItem tray was there at start, so Qt's icon
// went to it; `xembedTray`: an XEmbed tray is on the screen now;
// `busTray`: a StatusNotifierItem tray is on the session bus now. An
// XEmbed tray comes first, where Qt's icon can go: a desktop with both
// (a proxy of XEmbed icons) shows the icon once.
TrayRoute ChooseTrayRoute(bool qtOnBus, bool xembedTray, bool busTray);
