// The settings file beside the program and the settings the program keeps
// in memory while it runs. The keys of the file and the values a missing
// key reads as are defined here and in Settings.cpp only.
//
// The file (quillet.ini for the program "quillet") holds:
//   [MainWindow] Left, Top, Width, Height, Maximized
//   [Common]     CheckPeriodIndex (1), Startup (1), DesktopNotify (1),
//                Debug (0, set by hand only)
//   [Calendar]   NotifyDays (1), NotifyTime (10:00:00), CurYear (this year)
//   [Export]     ExportMade (0)
//   [Sync]       Enabled (0), Server, User, EventsCalendar, TasksCalendar,
//                PeriodMin (5), AllowPlainHttp (0); never the password
// Every read and write opens and closes the file.
#pragma once

#include <QString>
#include <QtGlobal>

#include "core/DateTime.h"

class QTimer;

// The running program's full path with its extension replaced by ".ini"
// (appended when it has none).
QString SettingsFilePath();

// ---- In-memory settings
extern int CheckPeriodMs;  // period of the reminder timer; 0 until first loaded
extern bool StartupEnabled;
extern bool DesktopNotify;  // a desktop notification beside each reminder window
extern int NotifyDays;
extern TDateTime NotifyTime;  // time of day only
extern bool DebugMode;
extern quint16 CurYear;
extern bool ExportMade;

// Reminder timer period of a "Период проверки" list entry; -1 for no entry.
int PeriodMsOfIndex(int index);

// What the options dialog loads and stores; each member starts as the
// value its missing key reads as.
struct StoredOptions {
    int checkPeriodIndex = 1;            // [Common] CheckPeriodIndex: 1 second
    bool startup = true;                 // [Common] Startup
    bool desktopNotify = true;           // [Common] DesktopNotify
    int notifyDays = 1;                  // [Calendar] NotifyDays
    TDateTime notifyTime = 10.0 / 24.0;  // [Calendar] NotifyTime: 10:00:00
    bool debug = false;                  // [Common] Debug, set by hand only
};
StoredOptions ReadStoredOptions();
// Every member but `debug`, in their order; a refused write throws and
// leaves the later keys unwritten.
void WriteStoredOptions(const StoredOptions& options);

// The sync with a calendar server.
struct SyncOptions {
    bool enabled = false;
    QString server;  // any address on the server
    QString user;
    QString eventsCalendar;  // the calendars chosen (addresses), one may serve both
    QString tasksCalendar;
    int periodMin = 5;
    bool allowPlainHttp = false;  // plain http to an address other than the loopback
};
SyncOptions ReadSyncOptions();
void WriteSyncOptions(const SyncOptions& options);

// CurYear from [Calendar] CurYear, the clock's year when missing or no year.
void ReadCurYear();
void WriteCurYear();
// ExportMade from [Export] ExportMade, false when missing.
void ReadExportMade();
void WriteExportMade();

struct WindowPlacement {
    int left, top, width, height;
    bool maximized;
};

// [MainWindow] Left, Top, Width, Height, each with the given default, and
// Maximized (false when missing).
WindowPlacement ReadWindowPlacement(const WindowPlacement& defaults);
void WriteWindowPlacement(const WindowPlacement& p);

// Gives the reminder timer a new period at once. A changed period restarts
// the count from now, an unchanged one leaves the running count alone; a
// period <= 0 stops the timer. A stopped timer only takes the new period.
void SetTimerPeriod(QTimer* timer, int ms);

// The in-memory settings back to their values at program start.
void ResetSettingsForTests();
