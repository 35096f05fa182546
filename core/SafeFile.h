// Files of the user's written without following symbolic links. A folder
// others may write to (the program's folder, which the database server may
// reach) may hold a link or another user's file planted under the name of
// one of ours: such a name is refused, never written through, and its
// owner and mode are never changed.
#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` by `data`: written to a new file in the same
// folder, flushed to disk and renamed over the old one, so the old file is
// whole until the new one is. The old file's mode is kept; a new file gets
// `mode`. A `path` that is a symbolic link, not a plain file, a file of
// another user or a file with a second name (hard link) is refused. False,
// with the reason in `error` (may be null), when nothing was written.
bool ReplaceFileSafely(const QString& path, const QByteArray& data, unsigned mode,
                       QString* error = nullptr);

// Opens the file at `path` with `flags` (O_RDWR, O_WRONLY | O_APPEND ...),
// creating it with `mode`, refused as above. The descriptor, or -1 with
// the reason in `error` (may be null).
int OpenOwnFile(const QString& path, int flags, unsigned mode, QString* error = nullptr);

enum class OwnFileRead { Read, Missing, Refused, TooLarge, Failed };
// Reads the whole file at `path` into `data` without following a symbolic
// link, refusing a file that is not plain or belongs to another user, and
// one larger than `maxBytes` (nothing is read then). The reason, when not
// Read or Missing, in `error` (may be null).
OwnFileRead ReadOwnFile(const QString& path, qint64 maxBytes, QByteArray* data,
                        QString* error = nullptr);
