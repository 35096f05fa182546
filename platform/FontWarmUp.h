// The font configuration, read on a thread of its own while the program
// starts: the first window with text then finds it read (or being read)
// instead of reading it itself.
#pragma once

void WarmUpFontConfig();
