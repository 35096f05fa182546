// One copy of the program per user log-on, and the close request by which
// a new start asks the running copy to end.
#pragma once

#include <QString>
#include <QtGlobal>

// wParam of the close request.
constexpr quint32 CloseCode = 0x2B2416B;

// Set once at start: another copy holds the single-instance lock.
extern bool AlreadyRunning;
// Set once at start when the lock could not be had at all: why, in Russian.
extern QString InstanceProblem;
// Number of the registered close-request message, as an unsigned 16-bit value.
extern quint16 RunMsg;

// Probes the lock "ZT_Quillet" and registers "Quillet-RunMsg".
void ProbeSingleInstance();
// Asks every running copy to end; does not wait for any of them.
void SendCloseRequest();
bool IsCloseRequest(quint32 message, quint32 wParam);
