// The links of the sync in the database, in tables of the program's own
// beside those of the records (which keep their columns): QUILLET_SYNC,
// one row per linked row (its kind and number, the item's UID, address and
// tag, the row's hash as last in step, and a change under way), and
// QUILLET_SYNC_STATE, the sync token of each calendar and the account the
// links belong to. Both are made when the database lacks them. Each call
// is one transaction.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "sync/SyncTypes.h"

class FbConnection;

class TSyncLinks {
  public:
    explicit TSyncLinks(FbConnection& connection) : c_(connection) {}

    std::vector<SyncLink> Load();
    // Writes these links (by address: a new one is added, a known one
    // replaced).
    void Store(const std::vector<SyncLink>& links);
    void Remove(const QStringList& hrefs);

    QString Token(const QString& calendar);
    void SetToken(const QString& calendar, const QString& token);
    // When the calendar had last changed as of the listing that gave its
    // token (empty: not known).
    QString Stamp(const QString& calendar);
    void SetStamp(const QString& calendar, const QString& stamp);

    // What the links were made for (the server, user and calendars);
    // Reset forgets every link and token and records a new one.
    QString Account();
    void Reset(const QString& account);

    // A number for a new row, from the database's own procedures.
    std::vector<int> NewIds(ItemKind kind, int count);

  private:
    void EnsureTables();
    QString StateValue(const QString& key);
    void SetStateValue(const QString& key, const QString& value);

    FbConnection& c_;
    bool ready_ = false;
};
