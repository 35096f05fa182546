// The database client: one attachment to a Firebird server through the
// Firebird 3 object interface, transactions, and statements with
// parameters. Text goes to and from the server as Windows-1251.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "core/Error.h"
#include "data/Value.h"

// An error reported by the database client, with the server's text.
class FbError : public EQuillet {
  public:
    FbError(QString message, qint64 code, std::vector<qint64> codes = {})
        : EQuillet(std::move(message)), code_(code), codes_(std::move(codes)) {
        if (codes_.empty() && code_ != 0) codes_.push_back(code_);
    }
    qint64 code() const { return code_; }  // the first error code of the status
    // Every error code of the status, the first one included.
    const std::vector<qint64>& codes() const { return codes_; }

  private:
    qint64 code_;
    std::vector<qint64> codes_;
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
        int connectTimeoutSec = 10;  // how long an attach may wait for the server
    };
    void Attach(const Params& params);
    void Detach() noexcept;
    bool IsAttached() const;
    // Asks the server whether the attachment is still alive.
    bool Ping() noexcept;

    // No single call to the server may take longer than `ms` (0: no
    // limit). A call that does is cut off by closing the attachment from a
    // watching thread; it then fails like a lost connection.
    void SetOperationTimeout(int ms);

    // Keeps the client library from shutting its attachments down when the
    // process gets SIGINT or SIGTERM: the program ends itself, and sends
    // its last changes first. Call once, early, in the program only.
    static void KeepAttachmentsOnSignals();

    // How a transaction meets a row that another one holds: wait for it at
    // most `lockWaitSec` seconds (then fail with a lock conflict), or fail
    // at once when `lockWaitSec` is 0. A negative value waits for as long
    // as the lock is held.
    struct TransactionOptions {
        bool readOnly = false;
        int lockWaitSec = -1;
    };

    // A read-committed transaction; a read-only one costs the server no
    // write at its end. Rolled back when destroyed without a commit.
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
    std::unique_ptr<Transaction> Begin(const TransactionOptions& options);

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
        // Rows changed by the last Execute of an insert, update or delete.
        quint64 AffectedRecords();

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
    void AttachWith(const Params& p, bool plainWire);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
