// The user's private runtime folder, where the single-instance lock and the
// close-request socket live: $XDG_RUNTIME_DIR; when that is unset, a folder
// of our own in the temporary folder ($TMPDIR, else /tmp), or, when that
// name is taken by a folder that is not private (anybody may make it
// first), one in the user's cache folder. Every copy of the program of one
// user finds the same folder.
#pragma once

#include <QString>

// Why a folder may not serve as the runtime folder, in Russian; empty when
// it may: it must be a real folder (not a link), the user's own, and
// closed to everyone else (mode 0700).
QString RuntimeFolderProblem(bool exists, bool isLink, bool isDir, unsigned owner, unsigned user,
                             unsigned mode);

// Ends without '/'. Throws EQuillet, saying why in Russian, when no private
// folder can be had.
QString RuntimeDir();
