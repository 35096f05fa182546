#include "platform/StatusNotifier.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QImage>
#include <QMenu>
#include <QtEndian>

#include "platform/ErrorReport.h"
#include "platform/StatusNotifierTypes.h"

// ---- The shapes on the bus

QDBusArgument& operator<<(QDBusArgument& a, const SniPixmap& p) {
    a.beginStructure();
    a << p.width << p.height << p.bytes;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, SniPixmap& p) {
    a.beginStructure();
    a >> p.width >> p.height >> p.bytes;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const SniToolTip& t) {
    a.beginStructure();
    a << t.icon << t.pictures << t.title << t.text;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, SniToolTip& t) {
    a.beginStructure();
    a >> t.icon >> t.pictures >> t.title >> t.text;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const MenuLayout& l) {
    a.beginStructure();
    a << l.id << l.properties;
    a.beginArray(qMetaTypeId<QDBusVariant>());
    for (const MenuLayout& child : l.children)
        a << QDBusVariant(QVariant::fromValue(child));
    a.endArray();
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuLayout& l) {
    a.beginStructure();
    a >> l.id >> l.properties;
    l.children.clear();
    a.beginArray();
    while (!a.atEnd()) {
        QDBusVariant v;
        a >> v;
        l.children << qdbus_cast<MenuLayout>(v.variant());
    }
    a.endArray();
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const MenuEntry& e) {
    a.beginStructure();
    a << e.id << e.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEntry& e) {
    a.beginStructure();
    a >> e.id >> e.properties;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const MenuEntryKeys& k) {
    a.beginStructure();
    a << k.id << k.names;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEntryKeys& k) {
    a.beginStructure();
    a >> k.id >> k.names;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const MenuEvent& e) {
    a.beginStructure();
    a << e.id << e.eventId << e.data << e.timestamp;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEvent& e) {
    a.beginStructure();
    a >> e.id >> e.eventId >> e.data >> e.timestamp;
    a.endStructure();
    return a;
}

void RegisterStatusNotifierTypes() {
    qDBusRegisterMetaType<SniPixmap>();
    qDBusRegisterMetaType<SniPixmaps>();
    qDBusRegisterMetaType<SniToolTip>();
    qDBusRegisterMetaType<MenuLayout>();
    qDBusRegisterMetaType<MenuEntry>();
    qDBusRegisterMetaType<MenuEntries>();
    qDBusRegisterMetaType<MenuEntryKeys>();
    qDBusRegisterMetaType<MenuEntryKeysList>();
    qDBusRegisterMetaType<MenuEvent>();
    qDBusRegisterMetaType<MenuEvents>();
}

namespace {

SniPixmaps pixmapsOf(const QIcon& icon) {
    SniPixmaps out;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) continue;
        SniPixmap p{image.width(), image.height(), {}};
        p.bytes.resize(qsizetype(image.width()) * image.height() * 4);
        auto* to = reinterpret_cast<quint32*>(p.bytes.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* from = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *to++ = qToBigEndian(from[x]);
        }
        out << p;
    }
    return out;
}

// ---- org.kde.StatusNotifierItem

class ItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(int WindowId READ WindowId)
    Q_PROPERTY(QString IconName READ Empty)
    Q_PROPERTY(SniPixmaps IconPixmap READ IconPixmap)
    Q_PROPERTY(QString OverlayIconName READ Empty)
    Q_PROPERTY(SniPixmaps OverlayIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionIconName READ Empty)
    Q_PROPERTY(SniPixmaps AttentionIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ Empty)
    Q_PROPERTY(QString IconThemePath READ Empty)
    Q_PROPERTY(SniToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ Menu)

  public:
    ItemAdaptor(QObject* item, StatusNotifier* owner, const QIcon& icon, const QString& tip,
                QMenu* menu)
        : QDBusAbstractAdaptor(item),
          owner_(owner),
          pixmaps_(pixmapsOf(icon)),
          tip_(tip),
          menu_(menu) {}

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const { return QStringLiteral("quillet"); }
    QString Title() const { return tip_; }
    QString Status() const { return QStringLiteral("Active"); }
    int WindowId() const { return 0; }
    QString Empty() const { return {}; }
    SniPixmaps IconPixmap() const { return pixmaps_; }
    SniPixmaps NoPixmaps() const { return {}; }
    SniToolTip ToolTip() const { return {QString(), {}, tip_, QString()}; }
    bool ItemIsMenu() const { return false; }
    QDBusObjectPath Menu() const { return QDBusObjectPath(QStringLiteral("/MenuBar")); }

  public slots:
    void Activate(int, int) { report(QSystemTrayIcon::Trigger); }
    void SecondaryActivate(int, int) { report(QSystemTrayIcon::MiddleClick); }
    // For trays that show no dbusmenu: the menu at the given point.
    void ContextMenu(int x, int y) {
        Guarded([&] {
            if (menu_) menu_->popup(QPoint(x, y));
        });
        report(QSystemTrayIcon::Context);
    }
    void Scroll(int, const QString&) {}

  signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

  private:
    // Queued: the caller on the bus is answered first, then the window opens.
    void report(QSystemTrayIcon::ActivationReason reason) {
        QMetaObject::invokeMethod(
            owner_, [o = owner_, reason] { emit o->activated(reason); }, Qt::QueuedConnection);
    }

    StatusNotifier* owner_;
    SniPixmaps pixmaps_;
    QString tip_;
    QMenu* menu_;
};

// ---- com.canonical.dbusmenu: the menu's actions by their place, from 1;
// 0 is the menu itself.

class MenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ Version)
    Q_PROPERTY(QString TextDirection READ TextDirection)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QStringList IconThemePath READ IconThemePath)

  public:
    MenuAdaptor(QObject* object, QMenu* menu) : QDBusAbstractAdaptor(object), menu_(menu) {}

    uint Version() const { return 3; }
    QString TextDirection() const { return QStringLiteral("ltr"); }
    QString Status() const { return QStringLiteral("normal"); }
    QStringList IconThemePath() const { return {}; }

  public slots:
    uint GetLayout(int parentId, int depth, const QStringList& names, MenuLayout& layout) {
        layout = {parentId, properties(parentId, names), {}};
        if (parentId == 0 && depth != 0)
            for (int id = 1; id <= actionCount(); ++id)
                layout.children << MenuLayout{id, properties(id, names), {}};
        return 1;
    }
    MenuEntries GetGroupProperties(const QList<int>& ids, const QStringList& names) {
        MenuEntries out;
        const QList<int> all = ids.isEmpty() ? everyId() : ids;
        for (int id : all)
            out << MenuEntry{id, properties(id, names)};
        return out;
    }
    QDBusVariant GetProperty(int id, const QString& name) {
        return QDBusVariant(properties(id, {name}).value(name));
    }
    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        if (eventId != QLatin1String("clicked")) return;
        // After the answer on the bus; the command reports its own errors.
        QAction* a = action(id);
        if (a) QMetaObject::invokeMethod(a, &QAction::trigger, Qt::QueuedConnection);
    }
    QList<int> EventGroup(const MenuEvents& events) {
        QList<int> unknown;
        for (const MenuEvent& e : events) {
            if (action(e.id))
                Event(e.id, e.eventId, e.data, e.timestamp);
            else
                unknown << e.id;
        }
        return unknown;
    }
    bool AboutToShow(int) { return false; }
    QList<int> AboutToShowGroup(const QList<int>&, QList<int>& unknown) {
        unknown.clear();
        return {};
    }

  signals:
    void ItemsPropertiesUpdated(const MenuEntries& updated, const MenuEntryKeysList& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

  private:
    int actionCount() const { return menu_ ? int(menu_->actions().size()) : 0; }
    QAction* action(int id) const {
        return id >= 1 && id <= actionCount() ? menu_->actions().at(id - 1) : nullptr;
    }
    QList<int> everyId() const {
        QList<int> ids{0};
        for (int id = 1; id <= actionCount(); ++id)
            ids << id;
        return ids;
    }
    QVariantMap properties(int id, const QStringList& names) const {
        QVariantMap p;
        if (id == 0) {
            p[QStringLiteral("children-display")] = QStringLiteral("submenu");
        } else if (QAction* a = action(id)) {
            if (a->isSeparator()) {
                p[QStringLiteral("type")] = QStringLiteral("separator");
            } else {
                // '_' marks an access key in a dbusmenu label; a plain one is doubled.
                p[QStringLiteral("label")] = QString(a->text()).replace(u'_', QStringLiteral("__"));
                p[QStringLiteral("enabled")] = a->isEnabled();
            }
            p[QStringLiteral("visible")] = a->isVisible();
        }
        if (names.isEmpty()) return p;
        QVariantMap asked;
        for (const QString& n : names)
            if (p.contains(n)) asked[n] = p[n];
        return asked;
    }

    QMenu* menu_;
};

}  // namespace

StatusNotifier::StatusNotifier(const QIcon& icon, const QString& tip, QMenu* menu,
                               QDBusConnection bus, QObject* parent)
    : QObject(parent),
      bus_(std::move(bus)),
      service_(QStringLiteral("org.kde.StatusNotifierItem-%1-1")
                   .arg(QCoreApplication::applicationPid())),
      item_(new QObject(this)),
      menu_(new QObject(this)) {
    RegisterStatusNotifierTypes();
    new ItemAdaptor(item_, this, icon, tip, menu);
    new MenuAdaptor(menu_, menu);
}

StatusNotifier::~StatusNotifier() {
    Unregister();
}

bool StatusNotifier::Register() {
    if (!bus_.isConnected()) return false;
    if (!registered_) {
        if (!bus_.registerObject(QStringLiteral("/StatusNotifierItem"), item_,
                                 QDBusConnection::ExportAdaptors) ||
            !bus_.registerObject(QStringLiteral("/MenuBar"), menu_,
                                 QDBusConnection::ExportAdaptors) ||
            !bus_.registerService(service_)) {
            Unregister();
            return false;
        }
        registered_ = true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        StatusNotifierWatcherService, QStringLiteral("/StatusNotifierWatcher"),
        StatusNotifierWatcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call << service_;
    bus_.asyncCall(call);
    return true;
}

void StatusNotifier::Unregister() {
    if (!bus_.isConnected()) return;
    bus_.unregisterService(service_);
    bus_.unregisterObject(QStringLiteral("/StatusNotifierItem"));
    bus_.unregisterObject(QStringLiteral("/MenuBar"));
    registered_ = false;
}

#include "StatusNotifier.moc"
