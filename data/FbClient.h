// The database client: one attachment to a Firebird server through the
// Firebird 3 object interface, transactions, and statements with
// parameters. Text goes to and from the server as Windows-1251.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "core/Global.h"
#include "data/Value.h"

// An error reported by the database client, with the server's text.
class FbError : public EQuillet {
  public:
    FbError(QString message, qint64 code) : EQuillet(std::move(message)), code_(code) {}
    qint64 code() const { return code_; }  // the first error code of the status

  private:
    qint64 code_;
};

struct QueryResult {
    std::vector<FieldDef> fields;
    std::vector<std::vector<Value>> rows;
};

// The same, column by column, as the in-memory tables keep their values.
struct ColumnResult {
    std::vector<FieldDef> fields;
    std::vector<std::vector<Value>> columns;
};

class FbConnection {
  public:
    FbConnection();
    ~FbConnection();
    FbConnection(const FbConnection&) = delete;
    FbConnection& operator=(const FbConnection&) = delete;

    struct Params {
        QString address;  // host/port:path
        QString user;
        QString password;
        QString charset = QStringLiteral("WIN1251");
        int dialect = 3;
    };
    void Attach(const Params& params);
    void Detach() noexcept;
    bool IsAttached() const;
    // Asks the server whether the attachment is still alive.
    bool Ping() noexcept;

    // A read-committed transaction that waits on lock conflicts; a
    // read-only one costs the server no write at its end. Rolled back when
    // destroyed without a commit.
    class Transaction {
      public:
        ~Transaction();
        void Commit();
        void Rollback() noexcept;

      private:
        friend class FbConnection;
        struct Impl;
        explicit Transaction(std::unique_ptr<Impl> impl);
        std::unique_ptr<Impl> impl_;
    };
    std::unique_ptr<Transaction> Begin(bool readOnly = false);

    // A prepared statement; '?' marks the parameters.
    class Statement {
      public:
        ~Statement();
        // Runs a select and reads every row whole (large values included).
        QueryResult Query(const std::vector<Value>& params);
        ColumnResult QueryColumns(const std::vector<Value>& params);
        // Runs any other statement; a RETURNING clause or an executed
        // procedure's output lands in `output` when given.
        void Execute(const std::vector<Value>& params, std::vector<Value>* output = nullptr);

      private:
        friend class FbConnection;
        struct Impl;
        explicit Statement(std::unique_ptr<Impl> impl);
        std::unique_ptr<Impl> impl_;
    };
    std::unique_ptr<Statement> Prepare(Transaction& tr, const QString& sql);

    // Shorthands that prepare, run and free a statement.
    QueryResult Query(Transaction& tr, const QString& sql, const std::vector<Value>& params = {});
    ColumnResult QueryColumns(Transaction& tr, const QString& sql,
                              const std::vector<Value>& params = {});
    void Execute(Transaction& tr, const QString& sql, const std::vector<Value>& params = {},
                 std::vector<Value>* output = nullptr);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
