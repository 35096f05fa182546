// The sync with a calendar server in the running program: the runner,
// made once the tables are loaded; its page in the options dialog; its
// line in the status bar; the lists redrawn when rows come in.
#pragma once

class TSyncRunner;

void StartSync();
// Takes the settings and the password again (after "Ok" in the options).
void ConfigureSync();
void StopSync();

extern TSyncRunner* SyncRunner;
