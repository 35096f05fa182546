// Why changes did not reach the database, and what the user is told about
// it: whether waiting helps, and where the changes are kept meanwhile.
#pragma once

#include <QString>
#include <vector>

enum class SendTrouble {
    None,
    Unreachable,   // no answer from the server: sent once it answers again
    LockConflict,  // another connection holds the row: sent once it lets go
    Refused,       // the database will not take them: waiting does not help
};

// The kind of a failure from the error codes of the client library;
// `attachmentAlive` tells whether the connection still answers.
SendTrouble ClassifySendError(const std::vector<qint64>& codes, bool attachmentAlive);

// True when the codes name a key that another row already has.
bool IsDuplicateKeyError(const std::vector<qint64>& codes);

// The message for the user: what happened, the server's own text after an
// empty line, then what becomes of the changes. `journalError` is empty
// when the journal at `journalPath` holds them.
QString SendTroubleMessage(SendTrouble trouble, const QString& serverText,
                           const QString& journalPath, const QString& journalError);
