#include "settings/Settings.h"

#include <QTimer>

#include "platform/ProfileFile.h"

namespace {
// 10:00:00 as a fraction of the day.
constexpr TDateTime kDefaultNotifyTime = 10.0 / 24.0;
}  // namespace

int CheckPeriodMs = 0;
bool StartupEnabled = false;
bool DesktopNotify = true;
int NotifyDays = 1;
TDateTime NotifyTime = kDefaultNotifyTime;
bool DebugMode = false;
quint16 CurYear = 0;
bool ExportMade = false;

namespace {

const QString kMainWindow = QStringLiteral("MainWindow");
const QString kCalendar = QStringLiteral("Calendar");
const QString kExport = QStringLiteral("Export");

}  // namespace

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
    DesktopNotify = true;
    NotifyDays = 1;
    NotifyTime = kDefaultNotifyTime;
    DebugMode = false;
    CurYear = 0;
    ExportMade = false;
}
