// The program's entry: the single-instance decision, the command line
// (-CLOSE, -h, -p<seconds>), the windows created in their fixed order and
// the message loop.
#pragma once

#include <QStringList>

struct CommandLine {
    bool CloseRequested = false;  // -CLOSE in any letter case
    bool StartHidden = false;     // exactly -h or -H
    bool PauseGiven = false;      // some -p/-P argument was present
    int StartPause = 0;           // seconds; the last -p wins
};

// `args` without the program's own name. Three passes, as the switches
// are independent of their order.
CommandLine ParseCommandLine(const QStringList& args);

// The whole run of the program; returns the exit code.
int RunProgram(int argc, char** argv);
