#include "data/FbClient.h"

#include <firebird/Interface.h>

#include <QStringDecoder>
#include <cmath>
#include <cstring>
#include <mutex>

#include "data/CallWatchdog.h"

using namespace Firebird;

namespace {

IMaster* master() {
    static IMaster* m = fb_get_master_interface();
    return m;
}

// Days between 17 November 1858 (the server's day 0) and 30 December 1899.
constexpr qint64 ServerDayOffset = 15018;

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

int bytesPerChar(unsigned charset) {
    switch (charset & 0xFF) {
        case 3:
            return 3;  // UNICODE_FSS
        case 4:
            return 4;  // UTF8
        default:
            return 1;
    }
}

bool isBinaryCharset(unsigned charset) {
    return (charset & 0xFF) == 1;
}  // OCTETS

ISC_TIMESTAMP toServerTimestamp(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    ISC_TIMESTAMP ts;
    ts.timestamp_date = ISC_DATE(days + ServerDayOffset);
    ts.timestamp_time = ISC_TIME(ms * 10);
    return ts;
}

TDateTime fromServerTimestamp(const ISC_TIMESTAMP& ts) {
    return JoinDateTime(qint64(ts.timestamp_date) - ServerDayOffset, ts.timestamp_time / 10);
}

template <typename T>
T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// A text read from the server. Flags and other one-character texts come
// by the thousand: they share one string each instead of one per value.
Value textValue(const char* s, unsigned n) {
    if (n == 0) return Value::FromText(QString());
    if (n == 1) {
        static const std::vector<QString> single = [] {
            std::vector<QString> v(256);
            for (int b = 0; b < 256; ++b) {
                const char c = char(b);
                v[size_t(b)] = FromWin1251(&c, 1);
            }
            return v;
        }();
        return Value::FromText(single[uchar(s[0])]);
    }
    return Value::FromText(FromWin1251(s, n));
}

double scaleFactor(int scale) {
    double f = 1;
    for (int i = 0; i < -scale; ++i)
        f *= 10;
    return f;
}

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

// What the rows of a message look like, read once from its metadata: each
// call into the client library costs more than the reading of a value.
struct MessageColumn {
    unsigned type, subType, length, charset, offset, nullOffset;
    int scale;
    const char* field;
    const char* alias;
};

std::vector<MessageColumn> describe(Status& st, IMessageMetadata* meta) {
    std::vector<MessageColumn> cols(meta->getCount(&st));
    for (unsigned i = 0; i < cols.size(); ++i) {
        MessageColumn& c = cols[i];
        c.type = meta->getType(&st, i) & ~1u;
        c.subType = unsigned(meta->getSubType(&st, i));
        c.length = meta->getLength(&st, i);
        c.charset = meta->getCharSet(&st, i);
        c.offset = meta->getOffset(&st, i);
        c.nullOffset = meta->getNullOffset(&st, i);
        c.scale = meta->getScale(&st, i);
        c.field = meta->getField(&st, i);
        c.alias = meta->getAlias(&st, i);
    }
    return cols;
}

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

void FbConnection::Attach(const Params& p) {
    Detach();
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
        impl->in = describe(st, impl->inMeta);
        impl->out = describe(st, impl->outMeta);
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
        unsigned char* p = b + col.offset;
        store<ISC_SHORT>(b + col.nullOffset, v.isNull() ? -1 : 0);
        if (v.isNull()) continue;
        const unsigned type = col.type;
        const unsigned length = col.length;
        const int scale = col.scale;
        switch (type) {
            case SQL_TEXT: {
                const QByteArray bytes = v.toBytes().left(length);
                std::memset(p, ' ', length);
                std::memcpy(p, bytes.constData(), size_t(bytes.size()));
                break;
            }
            case SQL_VARYING: {
                const QByteArray bytes = v.toBytes().left(length);
                store<ISC_USHORT>(p, ISC_USHORT(bytes.size()));
                std::memcpy(p + 2, bytes.constData(), size_t(bytes.size()));
                break;
            }
            case SQL_SHORT:
                store<ISC_SHORT>(p, ISC_SHORT(std::llround(v.toFloat() * scaleFactor(scale))));
                break;
            case SQL_LONG:
                store<ISC_LONG>(p, scale ? ISC_LONG(std::llround(v.toFloat() * scaleFactor(scale)))
                                         : ISC_LONG(v.toInt()));
                break;
            case SQL_INT64:
                store<ISC_INT64>(p, scale
                                        ? ISC_INT64(std::llround(v.toFloat() * scaleFactor(scale)))
                                        : ISC_INT64(v.toInt()));
                break;
            case SQL_FLOAT:
                store<float>(p, float(v.toFloat()));
                break;
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                store<double>(p, v.toFloat());
                break;
            case SQL_TIMESTAMP:
                store<ISC_TIMESTAMP>(p, toServerTimestamp(v.toFloat()));
                break;
            case SQL_TYPE_DATE:
                store<ISC_DATE>(p, toServerTimestamp(v.toFloat()).timestamp_date);
                break;
            case SQL_TYPE_TIME:
                store<ISC_TIME>(p, toServerTimestamp(v.toFloat()).timestamp_time);
                break;
            case SQL_BOOLEAN:
                store<FB_BOOLEAN>(p, v.toFlag() || v.toInt() ? 1 : 0);
                break;
            case SQL_BLOB:
                store<ISC_QUAD>(p, writeBlob(st, v.toBytes()));
                break;
            default:
                throw FbError(QStringLiteral("Неподдерживаемый тип параметра %1").arg(type), 0);
        }
    }
    return buf;
}

std::vector<FieldDef> FbConnection::Statement::Impl::fields() {
    std::vector<FieldDef> result;
    result.reserve(out.size());
    for (const MessageColumn& col : out) {
        FieldDef f;
        f.name = QString::fromLatin1(col.alias && *col.alias ? col.alias : col.field);
        const unsigned type = col.type;
        const unsigned length = col.length;
        const unsigned charset = col.charset;
        switch (type) {
            case SQL_TEXT:
            case SQL_VARYING:
                f.type = FieldType::Text;
                f.fixed = type == SQL_TEXT;
                f.size = int(length) / bytesPerChar(charset);
                break;
            case SQL_SHORT:
            case SQL_LONG:
            case SQL_INT64:
                f.type = col.scale ? FieldType::Float : FieldType::Integer;
                break;
            case SQL_FLOAT:
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                f.type = FieldType::Float;
                break;
            case SQL_TIMESTAMP:
            case SQL_TYPE_DATE:
            case SQL_TYPE_TIME:
                f.type = FieldType::DateTime;
                break;
            case SQL_BOOLEAN:
                f.type = FieldType::Boolean;
                break;
            case SQL_BLOB:
                f.type = FieldType::Blob;
                f.textBlob = col.subType == 1;
                break;
            default:
                f.type = FieldType::Text;
                break;
        }
        result.push_back(f);
    }
    return result;
}

template <typename Sink>
void FbConnection::Statement::Impl::readRow(Status& st, const unsigned char* b, Sink&& push) {
    for (size_t i = 0; i < out.size(); ++i) {
        const MessageColumn& col = out[i];
        if (load<ISC_SHORT>(b + col.nullOffset) != 0) {
            push(i, Value());
            continue;
        }
        const unsigned char* p = b + col.offset;
        const unsigned type = col.type;
        const int scale = col.scale;
        const unsigned charset = col.charset;
        auto number = [&](qint64 raw) {
            return scale ? Value::FromFloat(double(raw) / scaleFactor(scale)) : Value::FromInt(raw);
        };
        switch (type) {
            case SQL_TEXT: {
                unsigned n = col.length;
                while (n > 0 && p[n - 1] == ' ')
                    --n;  // the server pads CHAR with blanks
                const char* s = reinterpret_cast<const char*>(p);
                push(i, isBinaryCharset(charset) ? Value::FromBytes(QByteArray(s, n))
                                                 : textValue(s, n));
                break;
            }
            case SQL_VARYING: {
                const ISC_USHORT n = load<ISC_USHORT>(p);
                const char* s = reinterpret_cast<const char*>(p + 2);
                push(i, isBinaryCharset(charset) ? Value::FromBytes(QByteArray(s, n))
                                                 : textValue(s, n));
                break;
            }
            case SQL_SHORT:
                push(i, number(load<ISC_SHORT>(p)));
                break;
            case SQL_LONG:
                push(i, number(load<ISC_LONG>(p)));
                break;
            case SQL_INT64:
                push(i, number(load<ISC_INT64>(p)));
                break;
            case SQL_FLOAT:
                push(i, Value::FromFloat(load<float>(p)));
                break;
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                push(i, Value::FromFloat(load<double>(p)));
                break;
            case SQL_TIMESTAMP:
                push(i, Value::FromFloat(fromServerTimestamp(load<ISC_TIMESTAMP>(p))));
                break;
            case SQL_TYPE_DATE:
                push(i, Value::FromFloat(double(qint64(load<ISC_DATE>(p)) - ServerDayOffset)));
                break;
            case SQL_TYPE_TIME:
                push(i, Value::FromFloat(double(load<ISC_TIME>(p) / 10) / MSecsPerDay));
                break;
            case SQL_BOOLEAN:
                push(i, Value::FromText(FlagText(load<FB_BOOLEAN>(p) != 0)));
                break;
            case SQL_BLOB: {
                QByteArray data = readBlob(st, load<ISC_QUAD>(p));
                if (col.subType == 1 && !isBinaryCharset(charset))
                    push(i, Value::FromText(FromWin1251(data)));
                else
                    push(i, Value::FromBytes(std::move(data)));
                break;
            }
            default:
                push(i, Value());
                break;
        }
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
    while (rs.p->fetchNext(&st, buf.data()) == IStatus::RESULT_OK) {
        onRow(buf.data());
        watch->Kick();
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

ColumnResult FbConnection::Statement::QueryColumns(const std::vector<Value>& params) {
    try {
        Status st;
        Impl& d = *impl_;
        ColumnResult result;
        result.fields = d.fields();
        result.columns.resize(d.out.size());
        d.fetchAll(st, params, [&](const unsigned char* row) {
            d.readRow(st, row,
                      [&](size_t i, Value&& v) { result.columns[i].push_back(std::move(v)); });
        });
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
