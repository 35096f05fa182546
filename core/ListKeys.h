// The keys of the task and event lists: Insert adds, Delete deletes, F2
// edits and Ctrl+A selects everything, each only with exactly those
// modifiers (Shift, Ctrl and Alt count; keypad and meta do not). With
// other modifiers these keys do nothing, and are taken so that the list
// does not act on them either.
#pragma once

#include <Qt>

enum class ListKey { None, Add, Delete, Edit, SelectAll, Ignored };

ListKey ListKeyCommand(int key, Qt::KeyboardModifiers modifiers);
