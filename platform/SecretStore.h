// Passwords in the desktop's secret store (the Secret Service, through
// libsecret), kept by server and user. Where the desktop has no secret
// store, a password is kept in this process's memory only, for as long as
// it runs: it is then asked once per start. Calls block on the session
// bus for a short while at most.
#pragma once

#include <QString>

class SecretStore {
  public:
    // Whether the desktop's store answers (checked once per process).
    static bool Available();
    // Keeps `password` for `server` and `user`; true when it went to the
    // desktop's store, false when it is kept in memory only.
    static bool Store(const QString& server, const QString& user, const QString& password);
    // The kept password, empty when there is none (in the store or memory).
    static QString Lookup(const QString& server, const QString& user);
    static void Clear(const QString& server, const QString& user);

    // Tests: forget what is known of the store and the memory.
    static void ResetForTests();
};
