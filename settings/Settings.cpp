#include "settings/Settings.h"

#include <QTimer>

#include "core/Clock.h"
#include "core/ExePath.h"
#include "platform/ProfileFile.h"

namespace {

const StoredOptions kDefaults;

const QString kMainWindow = QStringLiteral("MainWindow");
const QString kCommon = QStringLiteral("Common");
const QString kCalendar = QStringLiteral("Calendar");
const QString kExport = QStringLiteral("Export");
const QString kCheckPeriodIndex = QStringLiteral("CheckPeriodIndex");
const QString kStartup = QStringLiteral("Startup");
const QString kDesktopNotify = QStringLiteral("DesktopNotify");
const QString kDebug = QStringLiteral("Debug");
const QString kNotifyDays = QStringLiteral("NotifyDays");
const QString kNotifyTime = QStringLiteral("NotifyTime");

}  // namespace

int CheckPeriodMs = 0;
bool StartupEnabled = false;
bool DesktopNotify = kDefaults.desktopNotify;
int NotifyDays = kDefaults.notifyDays;
TDateTime NotifyTime = kDefaults.notifyTime;
bool DebugMode = false;
quint16 CurYear = 0;
bool ExportMade = false;

QString SettingsFilePath() {
    // The extension is what follows the last dot of the file name; a dot in
    // a folder name does not count.
    QString path = ExePath();
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > slash) path.truncate(dot);
    return path + QStringLiteral(".ini");
}

int PeriodMsOfIndex(int index) {
    switch (index) {
        case 0:
            return 100;
        case 1:
            return 1000;
        case 2:
            return 10000;
        default:
            return -1;
    }
}

StoredOptions ReadStoredOptions() {
    const QString ini = SettingsFilePath();
    const StoredOptions& d = kDefaults;
    StoredOptions o;
    o.checkPeriodIndex =
        ProfileFile::ReadInteger(ini, kCommon, kCheckPeriodIndex, d.checkPeriodIndex);
    o.startup = ProfileFile::ReadBool(ini, kCommon, kStartup, d.startup);
    o.desktopNotify = ProfileFile::ReadBool(ini, kCommon, kDesktopNotify, d.desktopNotify);
    o.notifyDays = ProfileFile::ReadInteger(ini, kCalendar, kNotifyDays, d.notifyDays);
    o.notifyTime = ProfileFile::ReadTime(ini, kCalendar, kNotifyTime, d.notifyTime);
    o.debug = ProfileFile::ReadBool(ini, kCommon, kDebug, d.debug);
    return o;
}

void WriteStoredOptions(const StoredOptions& o) {
    const QString ini = SettingsFilePath();
    ProfileFile::WriteInteger(ini, kCommon, kCheckPeriodIndex, o.checkPeriodIndex);
    ProfileFile::WriteBool(ini, kCommon, kStartup, o.startup);
    ProfileFile::WriteBool(ini, kCommon, kDesktopNotify, o.desktopNotify);
    ProfileFile::WriteInteger(ini, kCalendar, kNotifyDays, o.notifyDays);
    ProfileFile::WriteTime(ini, kCalendar, kNotifyTime, o.notifyTime);
}

namespace {
const QString kSync = QStringLiteral("Sync");
}  // namespace

SyncOptions ReadSyncOptions() {
    const QString ini = SettingsFilePath();
    const SyncOptions d;
    SyncOptions o;
    o.enabled = ProfileFile::ReadBool(ini, kSync, QStringLiteral("Enabled"), d.enabled);
    o.server = ProfileFile::ReadString(ini, kSync, QStringLiteral("Server"), {});
    o.user = ProfileFile::ReadString(ini, kSync, QStringLiteral("User"), {});
    o.eventsCalendar = ProfileFile::ReadString(ini, kSync, QStringLiteral("EventsCalendar"), {});
    o.tasksCalendar = ProfileFile::ReadString(ini, kSync, QStringLiteral("TasksCalendar"), {});
    o.periodMin = ProfileFile::ReadInteger(ini, kSync, QStringLiteral("PeriodMin"), d.periodMin);
    if (o.periodMin < 1 || o.periodMin > 1440) o.periodMin = d.periodMin;
    o.allowPlainHttp =
        ProfileFile::ReadBool(ini, kSync, QStringLiteral("AllowPlainHttp"), d.allowPlainHttp);
    return o;
}

void WriteSyncOptions(const SyncOptions& o) {
    const QString ini = SettingsFilePath();
    ProfileFile::WriteBool(ini, kSync, QStringLiteral("Enabled"), o.enabled);
    ProfileFile::WriteString(ini, kSync, QStringLiteral("Server"), o.server);
    ProfileFile::WriteString(ini, kSync, QStringLiteral("User"), o.user);
    ProfileFile::WriteString(ini, kSync, QStringLiteral("EventsCalendar"), o.eventsCalendar);
    ProfileFile::WriteString(ini, kSync, QStringLiteral("TasksCalendar"), o.tasksCalendar);
    ProfileFile::WriteInteger(ini, kSync, QStringLiteral("PeriodMin"), o.periodMin);
    ProfileFile::WriteBool(ini, kSync, QStringLiteral("AllowPlainHttp"), o.allowPlainHttp);
}

void ReadCurYear() {
    const int thisYear = YearOf(Now());
    const int year = ProfileFile::ReadInteger(SettingsFilePath(), kCalendar,
                                              QStringLiteral("CurYear"), thisYear);
    // The calendar cannot show a year outside the date range.
    CurYear = quint16(year >= 1 && year <= 9999 ? year : thisYear);
}

void WriteCurYear() {
    ProfileFile::WriteInteger(SettingsFilePath(), kCalendar, QStringLiteral("CurYear"), CurYear);
}

void ReadExportMade() {
    ExportMade =
        ProfileFile::ReadBool(SettingsFilePath(), kExport, QStringLiteral("ExportMade"), false);
}

void WriteExportMade() {
    ProfileFile::WriteBool(SettingsFilePath(), kExport, QStringLiteral("ExportMade"), ExportMade);
}

WindowPlacement ReadWindowPlacement(const WindowPlacement& defaults) {
    const QString ini = SettingsFilePath();
    WindowPlacement p;
    p.left = ProfileFile::ReadInteger(ini, kMainWindow, QStringLiteral("Left"), defaults.left);
    p.top = ProfileFile::ReadInteger(ini, kMainWindow, QStringLiteral("Top"), defaults.top);
    p.width = ProfileFile::ReadInteger(ini, kMainWindow, QStringLiteral("Width"), defaults.width);
    p.height =
        ProfileFile::ReadInteger(ini, kMainWindow, QStringLiteral("Height"), defaults.height);
    p.maximized = ProfileFile::ReadBool(ini, kMainWindow, QStringLiteral("Maximized"), false);
    return p;
}

void WriteWindowPlacement(const WindowPlacement& p) {
    const QString ini = SettingsFilePath();
    ProfileFile::WriteInteger(ini, kMainWindow, QStringLiteral("Left"), p.left);
    ProfileFile::WriteInteger(ini, kMainWindow, QStringLiteral("Top"), p.top);
    ProfileFile::WriteInteger(ini, kMainWindow, QStringLiteral("Width"), p.width);
    ProfileFile::WriteInteger(ini, kMainWindow, QStringLiteral("Height"), p.height);
    ProfileFile::WriteBool(ini, kMainWindow, QStringLiteral("Maximized"), p.maximized);
}

void SetTimerPeriod(QTimer* timer, int ms) {
    if (!timer) return;
    if (ms <= 0) {
        timer->stop();
        return;
    }
    // setInterval restarts a running timer even for the same value.
    if (timer->interval() != ms) timer->setInterval(ms);
}

void ResetSettingsForTests() {
    CheckPeriodMs = 0;
    StartupEnabled = false;
    DesktopNotify = kDefaults.desktopNotify;
    NotifyDays = kDefaults.notifyDays;
    NotifyTime = kDefaults.notifyTime;
    DebugMode = false;
    CurYear = 0;
    ExportMade = false;
}
