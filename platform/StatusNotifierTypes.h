// The D-Bus shapes of a StatusNotifierItem and of its dbusmenu.
#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QVariantMap>

// A picture: width, height and ARGB32 pixels in network byte order; a(iiay).
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using SniPixmaps = QList<SniPixmap>;

// The tip: icon name, pictures, title, text; (sa(iiay)ss).
struct SniToolTip {
    QString icon;
    SniPixmaps pictures;
    QString title;
    QString text;
};

// An entry of the menu with its entries under it; (ia{sv}av).
struct MenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayout> children;
};

// An entry's properties; a(ia{sv}).
struct MenuEntry {
    int id = 0;
    QVariantMap properties;
};
using MenuEntries = QList<MenuEntry>;

// Properties taken from entries; a(ias).
struct MenuEntryKeys {
    int id = 0;
    QStringList names;
};
using MenuEntryKeysList = QList<MenuEntryKeys>;

// One of several events sent at once; a(isvu).
struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEvents = QList<MenuEvent>;

Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)
Q_DECLARE_METATYPE(MenuLayout)
Q_DECLARE_METATYPE(MenuEntry)
Q_DECLARE_METATYPE(MenuEntryKeys)
Q_DECLARE_METATYPE(MenuEvent)

QDBusArgument& operator<<(QDBusArgument& a, const SniPixmap& p);
const QDBusArgument& operator>>(const QDBusArgument& a, SniPixmap& p);
QDBusArgument& operator<<(QDBusArgument& a, const SniToolTip& t);
const QDBusArgument& operator>>(const QDBusArgument& a, SniToolTip& t);
QDBusArgument& operator<<(QDBusArgument& a, const MenuLayout& l);
const QDBusArgument& operator>>(const QDBusArgument& a, MenuLayout& l);
QDBusArgument& operator<<(QDBusArgument& a, const MenuEntry& e);
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEntry& e);
QDBusArgument& operator<<(QDBusArgument& a, const MenuEntryKeys& k);
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEntryKeys& k);
QDBusArgument& operator<<(QDBusArgument& a, const MenuEvent& e);
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEvent& e);

// Makes the shapes known to Qt's D-Bus; safe to call again.
void RegisterStatusNotifierTypes();
