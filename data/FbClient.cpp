#include "data/FbClient.h"
#include "core/DateTime.h"
#include "core/Win1251.h"

#include <firebird/Interface.h>
#include <array>

#include <QStringDecoder>
#include <algorithm>
#include <mutex>

#include "data/CallWatchdog.h"
#include "data/FbMessage.h"

using namespace Firebird;

namespace {

IMaster* master() {
    static IMaster* m = fb_get_master_interface();
    return m;
}

QString decodeMessage(const char* text) {
    const QByteArray bytes(text);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(bytes);
    if (utf8.hasError()) s = FromWin1251(bytes);
    return s.trimmed();
}

// The error codes of a status vector, in their order.
std::vector<qint64> errorCodes(const intptr_t* p) {
    std::vector<qint64> codes;
    while (p && *p != isc_arg_end) {
        if (*p == isc_arg_gds) codes.push_back(qint64(p[1]));
        p += *p == isc_arg_cstring ? 3 : 2;
    }
    return codes;
}

[[noreturn]] void raise(const FbException& e) {
    char buf[4096];
    IStatus* status = e.getStatus();
    master()->getUtilInterface()->formatStatus(buf, sizeof buf, status);
    const intptr_t* errors = status->getErrors();
    const qint64 code = errors && errors[0] == isc_arg_gds ? qint64(errors[1]) : 0;
    throw FbError(decodeMessage(buf), code, errorCodes(errors));
}

// Tells the client library not to shut down on SIGINT and SIGTERM.
int keepOnSignal(const int reason, const int, void*) {
    return reason == fb_shutrsn_signal ? 1 : 0;
}

// A status for one call; the wrapper throws FbException on an error.
class Status {
  public:
    Status() : wrapper_(master()->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    ThrowStatusWrapper* operator&() { return &wrapper_; }

  private:
    ThrowStatusWrapper wrapper_;
};

// Releases an interface object that was not closed in the ordinary way.
template <typename T>
struct Holder {
    T* p = nullptr;
    ~Holder() {
        if (p) p->release();
    }
    T* take() {
        T* r = p;
        p = nullptr;
        return r;
    }
};

}  // namespace

// ------------------------------------------------------------ connection

struct FbConnection::Impl {
    IProvider* provider = nullptr;
    IAttachment* att = nullptr;
    CallWatchdog watch;
};

struct FbConnection::Transaction::Impl {
    IAttachment* att = nullptr;
    ITransaction* tra = nullptr;
    CallWatchdog* watch = nullptr;
};

struct FbConnection::Statement::Impl {
    IAttachment* att = nullptr;
    ITransaction* tra = nullptr;
    CallWatchdog* watch = nullptr;
    IStatement* stmt = nullptr;
    IMessageMetadata* inMeta = nullptr;
    IMessageMetadata* outMeta = nullptr;
    std::vector<MessageColumn> in, out;
    unsigned inLength = 0, outLength = 0;

    std::vector<unsigned char> bindInput(Status& st, const std::vector<Value>& params);
    std::vector<Value> readRow(Status& st, const unsigned char* buf);
    // Runs the select and hands every fetched row's buffer to onRow.
    template <typename OnRow>
    void fetchAll(Status& st, const std::vector<Value>& params, OnRow&& onRow);
    // Hands each value of a row to push(column, value).
    template <typename Sink>
    void readRow(Status& st, const unsigned char* buf, Sink&& push);
    std::vector<FieldDef> fields();
    QByteArray readBlob(Status& st, ISC_QUAD id);
    ISC_QUAD writeBlob(Status& st, const QByteArray& data);
};

FbConnection::FbConnection() : impl_(std::make_unique<Impl>()) {}

FbConnection::~FbConnection() {
    Detach();
    if (impl_->provider) impl_->provider->release();
}

namespace {

// A server on this computer: what goes between us never leaves it.
bool onThisComputer(const QString& address) {
    const QString host = address.section(u'/', 0, 0).section(u':', 0, 0);
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost") ||
           address.startsWith(QLatin1String("[::1]"));
}

}  // namespace

void FbConnection::Attach(const Params& p) {
    Detach();
    // Traffic with a server on this computer goes unencrypted where the
    // server allows it: the cipher cost a quarter of the time to read the
    // tables. A server that insists gets its way.
    if (onThisComputer(p.address)) {
        try {
            AttachWith(p, true);
            return;
        } catch (const FbError& e) {
            const auto& codes = e.codes();
            if (std::find(codes.begin(), codes.end(), qint64(isc_wirecrypt_incompatible)) ==
                codes.end())
                throw;
        }
    }
    AttachWith(p, false);
}

void FbConnection::AttachWith(const Params& p, bool plainWire) {
    try {
        Status st;
        if (!impl_->provider) impl_->provider = master()->getDispatcher();
        IUtil* util = master()->getUtilInterface();
        IXpbBuilder* dpb = util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
        struct Dispose {
            IXpbBuilder* b;
            ~Dispose() { b->dispose(); }
        } disposeDpb{dpb};
        dpb->insertString(&st, isc_dpb_user_name, p.user.toUtf8().constData());
        dpb->insertString(&st, isc_dpb_password, p.password.toUtf8().constData());
        dpb->insertString(&st, isc_dpb_lc_ctype, p.charset.toLatin1().constData());
        dpb->insertInt(&st, isc_dpb_sql_dialect, p.dialect);
        dpb->insertInt(&st, isc_dpb_connect_timeout, p.connectTimeoutSec);
        if (plainWire) dpb->insertString(&st, isc_dpb_config, "WireCrypt = Disabled");
        impl_->att =
            impl_->provider->attachDatabase(&st, p.address.toLocal8Bit().constData(),
                                            dpb->getBufferLength(&st), dpb->getBuffer(&st));
        impl_->watch.SetTarget(impl_->att);
    } catch (const FbException& e) {
        raise(e);
    }
}

void FbConnection::Detach() noexcept {
    if (!impl_->att) return;
    {
        WatchedCall watching(&impl_->watch);
        try {
            Status st;
            impl_->att->detach(&st);
        } catch (const FbException&) {
            impl_->att->release();  // a dead attachment: just let it go
        }
    }
    impl_->watch.SetTarget(nullptr);
    impl_->att = nullptr;
}

void FbConnection::SetOperationTimeout(int ms) {
    impl_->watch.SetTimeout(ms);
}

void FbConnection::KeepAttachmentsOnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        ISC_STATUS_ARRAY status;
        fb_shutdown_callback(status, keepOnSignal, fb_shut_confirmation, nullptr);
    });
}

bool FbConnection::IsAttached() const {
    return impl_->att != nullptr;
}

bool FbConnection::Ping() noexcept {
    if (!impl_->att) return false;
    WatchedCall watching(&impl_->watch);
    try {
        Status st;
        impl_->att->ping(&st);
        return true;
    } catch (const FbException&) {
        return false;
    }
}

// ----------------------------------------------------------- transaction

FbConnection::Transaction::Transaction(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

FbConnection::Transaction::~Transaction() {
    Rollback();
}

void FbConnection::Transaction::Commit() {
    if (!impl_->tra) throw FbError(QStringLiteral("Транзакция уже завершена"), 0);
    WatchedCall watching(impl_->watch);
    try {
        Status st;
        impl_->tra->commit(&st);
        impl_->tra = nullptr;
    } catch (const FbException& e) {
        raise(e);
    }
}

void FbConnection::Transaction::Rollback() noexcept {
    if (!impl_->tra) return;
    WatchedCall watching(impl_->watch);
    try {
        Status st;
        impl_->tra->rollback(&st);
    } catch (const FbException&) {
        impl_->tra->release();
    }
    impl_->tra = nullptr;
}

std::unique_ptr<FbConnection::Transaction> FbConnection::Begin(bool readOnly) {
    TransactionOptions options;
    options.readOnly = readOnly;
    return Begin(options);
}

std::unique_ptr<FbConnection::Transaction> FbConnection::Begin(const TransactionOptions& options) {
    if (!impl_->att) throw FbError(QStringLiteral("Нет подключения к базе данных"), 0);
    WatchedCall watching(&impl_->watch);
    try {
        Status st;
        IXpbBuilder* tpb =
            master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0);
        struct Dispose {
            IXpbBuilder* b;
            ~Dispose() { b->dispose(); }
        } disposeTpb{tpb};
        tpb->insertTag(&st, options.readOnly ? isc_tpb_read : isc_tpb_write);
        tpb->insertTag(&st, isc_tpb_read_committed);
        tpb->insertTag(&st, isc_tpb_rec_version);
        if (options.lockWaitSec == 0) {
            tpb->insertTag(&st, isc_tpb_nowait);
        } else {
            tpb->insertTag(&st, isc_tpb_wait);
            if (options.lockWaitSec > 0)
                tpb->insertInt(&st, isc_tpb_lock_timeout, options.lockWaitSec);
        }
        auto impl = std::make_unique<Transaction::Impl>();
        impl->att = impl_->att;
        impl->watch = &impl_->watch;
        impl->tra =
            impl_->att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
        return std::unique_ptr<Transaction>(new Transaction(std::move(impl)));
    } catch (const FbException& e) {
        raise(e);
    }
}

// ------------------------------------------------------------- statement

FbConnection::Statement::Statement(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

FbConnection::Statement::~Statement() {
    if (impl_->inMeta) impl_->inMeta->release();
    if (impl_->outMeta) impl_->outMeta->release();
    if (impl_->stmt) {
        WatchedCall watching(impl_->watch);
        try {
            Status st;
            impl_->stmt->free(&st);
        } catch (const FbException&) {
            impl_->stmt->release();
        }
    }
}

std::unique_ptr<FbConnection::Statement> FbConnection::Prepare(Transaction& tr,
                                                               const QString& sql) {
    if (!impl_->att) throw FbError(QStringLiteral("Нет подключения к базе данных"), 0);
    WatchedCall watching(&impl_->watch);
    try {
        Status st;
        auto impl = std::make_unique<Statement::Impl>();
        impl->att = impl_->att;
        impl->watch = &impl_->watch;
        impl->tra = tr.impl_->tra;
        impl->stmt = impl_->att->prepare(&st, impl->tra, 0, ToWin1251(sql).constData(), 3,
                                         IStatement::PREPARE_PREFETCH_METADATA);
        impl->inMeta = impl->stmt->getInputMetadata(&st);
        impl->outMeta = impl->stmt->getOutputMetadata(&st);
        impl->in = DescribeMessage(&st, impl->inMeta);
        impl->out = DescribeMessage(&st, impl->outMeta);
        impl->inLength = impl->inMeta->getMessageLength(&st);
        impl->outLength = impl->outMeta->getMessageLength(&st);
        return std::unique_ptr<Statement>(new Statement(std::move(impl)));
    } catch (const FbException& e) {
        raise(e);
    }
}

ISC_QUAD FbConnection::Statement::Impl::writeBlob(Status& st, const QByteArray& data) {
    ISC_QUAD id{};
    Holder<IBlob> blob;
    blob.p = att->createBlob(&st, tra, &id, 0, nullptr);
    qsizetype pos = 0;
    while (pos < data.size()) {
        const unsigned n = unsigned(std::min<qsizetype>(data.size() - pos, 32768));
        blob.p->putSegment(&st, n, data.constData() + pos);
        pos += n;
    }
    blob.p->close(&st);
    blob.take();
    return id;
}

QByteArray FbConnection::Statement::Impl::readBlob(Status& st, ISC_QUAD id) {
    Holder<IBlob> blob;
    blob.p = att->openBlob(&st, tra, &id, 0, nullptr);
    // Ask for the total length first so the value is read into one buffer.
    const unsigned char items[] = {isc_info_blob_total_length};
    unsigned char info[32] = {};
    blob.p->getInfo(&st, sizeof items, items, sizeof info, info);
    QByteArray data;
    if (info[0] == isc_info_blob_total_length) {
        const int len = info[1] | (info[2] << 8);
        qint64 total = 0;
        for (int i = len - 1; i >= 0; --i)
            total = (total << 8) | info[3 + i];
        if (total > 0) data.reserve(total);
    }
    std::vector<char> chunk(65535);
    for (;;) {
        unsigned got = 0;
        const int r = blob.p->getSegment(&st, unsigned(chunk.size()), chunk.data(), &got);
        if (r != IStatus::RESULT_OK && r != IStatus::RESULT_SEGMENT) break;
        data.append(chunk.data(), got);
    }
    blob.p->close(&st);
    blob.take();
    return data;
}

std::vector<unsigned char> FbConnection::Statement::Impl::bindInput(
    Status& st, const std::vector<Value>& params) {
    const unsigned count = unsigned(in.size());
    if (params.size() != count)
        throw FbError(
            QStringLiteral("Ожидалось параметров: %1, передано: %2").arg(count).arg(params.size()),
            0);
    std::vector<unsigned char> buf(inLength);
    unsigned char* b = buf.data();
    for (unsigned i = 0; i < count; ++i) {
        const Value& v = params[i];
        const MessageColumn& col = in[i];
        SetNullIn(b, col, v.isNull());
        if (v.isNull()) continue;
        if (col.type == SQL_BLOB)
            SetBlobIdIn(b, col, writeBlob(st, v.toBytes()));
        else
            WriteColumn(b, col, v);
    }
    return buf;
}

std::vector<FieldDef> FbConnection::Statement::Impl::fields() {
    std::vector<FieldDef> result;
    result.reserve(out.size());
    for (const MessageColumn& col : out)
        result.push_back(ColumnField(col));
    return result;
}

template <typename Sink>
void FbConnection::Statement::Impl::readRow(Status& st, const unsigned char* b, Sink&& push) {
    for (size_t i = 0; i < out.size(); ++i) {
        const MessageColumn& col = out[i];
        if (IsNullIn(b, col))
            push(i, Value());
        else if (col.type == SQL_BLOB)
            push(i, BlobValue(col, readBlob(st, BlobIdIn(b, col))));
        else
            push(i, ReadColumn(b, col));
    }
}

std::vector<Value> FbConnection::Statement::Impl::readRow(Status& st, const unsigned char* b) {
    std::vector<Value> row(out.size());
    readRow(st, b, [&](size_t i, Value&& v) { row[i] = std::move(v); });
    return row;
}

template <typename OnRow>
void FbConnection::Statement::Impl::fetchAll(Status& st, const std::vector<Value>& params,
                                             OnRow&& onRow) {
    WatchedCall watching(watch);
    std::vector<unsigned char> input = bindInput(st, params);
    Holder<IResultSet> rs;
    rs.p = stmt->openCursor(&st, tra, inMeta, input.data(), outMeta, 0);
    std::vector<unsigned char> buf(outLength);
    // The watchdog counts in seconds; a row takes microseconds.
    for (unsigned n = 1; rs.p->fetchNext(&st, buf.data()) == IStatus::RESULT_OK; ++n) {
        onRow(buf.data());
        if (n % 256 == 0) watch->Kick();
    }
    rs.p->close(&st);
    rs.take();
}

QueryResult FbConnection::Statement::Query(const std::vector<Value>& params) {
    try {
        Status st;
        Impl& d = *impl_;
        QueryResult result;
        result.fields = d.fields();
        d.fetchAll(st, params,
                   [&](const unsigned char* row) { result.rows.push_back(d.readRow(st, row)); });
        return result;
    } catch (const FbException& e) {
        raise(e);
    }
}

namespace {

// Texts that come again and again down a column (categories, comments)
// share one string: each text column remembers its last few distinct texts.
class RecentTexts {
  public:
    void Share(Value& v) {
        if (v.kind() != Value::Text) return;
        for (const Value& seen : seen_)
            if (seen == v) {
                v = seen;
                return;
            }
        seen_[next_] = v;
        next_ = (next_ + 1) % seen_.size();
    }

  private:
    std::array<Value, 4> seen_;
    size_t next_ = 0;
};

}  // namespace

ColumnResult FbConnection::Statement::QueryColumns(const std::vector<Value>& params) {
    try {
        Status st;
        Impl& d = *impl_;
        ColumnResult result;
        result.fields = d.fields();
        // The values go into blocks of a fixed size and then once into
        // columns of their final size: a column grown row by row would be
        // copied again and again into ever new memory.
        constexpr size_t BlockRows = 4096;
        std::vector<std::vector<Value>> blocks;  // BlockRows rows of every column each
        const size_t width = d.out.size();
        size_t rows = 0;
        std::vector<RecentTexts> recent(width);
        d.fetchAll(st, params, [&](const unsigned char* row) {
            if (rows % BlockRows == 0) blocks.emplace_back().reserve(BlockRows * width);
            d.readRow(st, row, [&](size_t column, Value&& v) {
                recent[column].Share(v);
                blocks.back().push_back(std::move(v));
            });
            ++rows;
        });
        result.columns.resize(width);
        for (std::vector<Value>& column : result.columns)
            column.reserve(rows);
        for (std::vector<Value>& block : blocks) {
            for (size_t at = 0; at < block.size(); ++at)
                result.columns[at % width].push_back(std::move(block[at]));
            std::vector<Value>().swap(block);  // its memory goes back at once
        }
        return result;
    } catch (const FbException& e) {
        raise(e);
    }
}

void FbConnection::Statement::Execute(const std::vector<Value>& params,
                                      std::vector<Value>* output) {
    WatchedCall watching(impl_->watch);
    try {
        Status st;
        Impl& d = *impl_;
        std::vector<unsigned char> in = d.bindInput(st, params);
        const bool hasOutput = !d.out.empty();
        std::vector<unsigned char> out(hasOutput ? d.outLength : 0);
        d.stmt->execute(&st, d.tra, d.inMeta, in.data(), hasOutput ? d.outMeta : nullptr,
                        hasOutput ? out.data() : nullptr);
        if (output) *output = hasOutput ? d.readRow(st, out.data()) : std::vector<Value>{};
    } catch (const FbException& e) {
        raise(e);
    }
}

quint64 FbConnection::Statement::AffectedRecords() {
    WatchedCall watching(impl_->watch);
    try {
        Status st;
        return impl_->stmt->getAffectedRecords(&st);
    } catch (const FbException& e) {
        raise(e);
    }
}

QueryResult FbConnection::Query(Transaction& tr, const QString& sql,
                                const std::vector<Value>& params) {
    return Prepare(tr, sql)->Query(params);
}

ColumnResult FbConnection::QueryColumns(Transaction& tr, const QString& sql,
                                        const std::vector<Value>& params) {
    return Prepare(tr, sql)->QueryColumns(params);
}

void FbConnection::Execute(Transaction& tr, const QString& sql, const std::vector<Value>& params,
                           std::vector<Value>* output) {
    Prepare(tr, sql)->Execute(params, output);
}
