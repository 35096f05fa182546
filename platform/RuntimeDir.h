// The user's private runtime folder, where the single-instance lock and the
// close-request socket live: $XDG_RUNTIME_DIR, or when that is unset a
// folder of our own under /tmp that only this user may enter.
#pragma once

#include <QString>

// Ends without '/'. Throws EQuillet when no private folder can be had.
QString RuntimeDir();
