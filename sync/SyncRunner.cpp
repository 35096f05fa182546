#include "sync/SyncRunner.h"

#include <QPointer>

#include "core/Error.h"
#include "data/DataModule.h"
#include "data/FbClient.h"
#include "sync/LinkTable.h"
#include "sync/SyncApply.h"
#include "sync/SyncWords.h"

// Lives on the runner's thread: the client, the database connection of
// the links, the round.
class SyncWorker : public QObject {
  public:
    SyncWorker(QString address, const std::atomic<bool>* stopping)
        : address_(std::move(address)), stopping_(stopping) {}

    RoundOutcome Run(const SyncSnapshot& snapshot, const SyncConfig& config) {
        RoundOutcome out;
        try {
            Prepare(config);
            return round_->Run(snapshot, config.target);
        } catch (const EQuillet& e) {
            Lost(out, e);
        } catch (const std::exception& e) {
            Lost(out, EQuillet(QString::fromLocal8Bit(e.what())));
        }
        return out;
    }

    CalDavResult Settle(const RoundOutcome& outcome, const QHash<quint64, quint64>& applied) {
        RoundOutcome out = outcome;
        try {
            if (round_) round_->Settle(outcome, applied);
        } catch (const EQuillet& e) {
            Lost(out, e);
        }
        return out.status;
    }

  private:
    void Prepare(const SyncConfig& config) {
        if (!db_.IsAttached()) {
            FbConnection::Params p;
            p.address = address_;
            p.user = QStringLiteral("sysdba");
            p.password = QStringLiteral("plumcrest");
            p.connectTimeoutSec = TDM::ConnectTimeoutSec;
            db_.Attach(p);
            db_.SetOperationTimeout(TDM::CallTimeoutMs);
            round_.reset();
        }
        const QString key = config.AccountKey();
        if (!round_ || key != key_ || config.account.password != password_) {
            client_ = std::make_unique<CalDavClient>(config.account);
            client_->SetCancel(stopping_);
            links_ = std::make_unique<TSyncLinks>(db_);
            if (links_->Account() != key) links_->Reset(key);
            round_ = std::make_unique<SyncRound>(*client_, *links_);
            key_ = key;
            password_ = config.account.password;
        }
    }

    void Lost(RoundOutcome& out, const EQuillet& e) {
        // The connection may be broken: made anew, with the links read again.
        db_.Detach();
        round_.reset();
        out.changes.clear();
        out.status.kind = CalDavResult::BadReply;
        out.status.httpStatus = -1;
        out.status.message = e.message();
    }

    QString address_, key_, password_;
    const std::atomic<bool>* stopping_;
    FbConnection db_;
    std::unique_ptr<CalDavClient> client_;
    std::unique_ptr<TSyncLinks> links_;
    std::unique_ptr<SyncRound> round_;
};

QString SyncConfig::AccountKey() const {
    return account.server.toString() + u'|' + account.user + u'|' + target.events.toString() +
           u'|' + target.tasks.toString();
}

TSyncRunner::TSyncRunner(TDM& dm, QString databaseAddress, std::function<ExportSettings()> settings,
                         QObject* parent)
    : QObject(parent), dm_(dm), settings_(std::move(settings)) {
    worker_ = new SyncWorker(std::move(databaseAddress), &stopping_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
    soon_.setSingleShot(true);
    connect(&soon_, &QTimer::timeout, this, [this] { SyncNow(); });
    connect(&period_, &QTimer::timeout, this, [this] { SyncNow(); });
}

TSyncRunner::~TSyncRunner() {
    // A round under way has its calls cut short (as if the line broke);
    // what it wrote is settled by the next start.
    stopping_ = true;
    thread_.quit();
    thread_.wait();
}

void TSyncRunner::Configure(const SyncConfig& config) {
    config_ = config;
    retryMs_ = FirstRetryMs;
    soon_.stop();
    if (!config_.enabled) {
        period_.stop();
        emit StatusChanged(QString());
        return;
    }
    period_.start(qMax(1, config_.periodMin) * 60000);
}

void TSyncRunner::SyncNow() {
    if (!config_.enabled || !dm_.IsConnected()) return;
    if (busy_) {
        again_ = true;
        return;
    }
    Start();
}

void TSyncRunner::LocalChanged() {
    if (config_.enabled && !applying_ && !soon_.isActive()) soon_.start(AfterChangeMs);
}

void TSyncRunner::Start() {
    busy_ = true;
    again_ = false;
    SyncSnapshot snapshot = TakeSnapshot(dm_, settings_());
    const SyncConfig config = config_;
    QPointer<TSyncRunner> self(this);
    QMetaObject::invokeMethod(worker_, [self, w = worker_, snapshot = std::move(snapshot), config] {
        RoundOutcome out = w->Run(snapshot, config);
        QMetaObject::invokeMethod(self.data(), [self, out = std::move(out)] {
            if (self) self->Applied(out);
        });
    });
}

void TSyncRunner::Applied(const RoundOutcome& outcome) {
    part_ = std::make_shared<Applying>();
    part_->outcome = outcome;
    ApplyNextPart();
}

void TSyncRunner::ApplyNextPart() {
    Applying& a = *part_;
    const std::vector<RowChange>& all = a.outcome.changes;
    const size_t end = qMin(all.size(), a.next + qMax<size_t>(1, applyPart));
    applying_ = true;
    try {
        const std::vector<RowChange> part(all.begin() + qsizetype(a.next),
                                          all.begin() + qsizetype(end));
        a.applied.insert(ApplyRound(dm_, part));
    } catch (const EQuillet&) {
        // The tables refused: what is not settled comes again next round.
        a.failed = true;
    }
    applying_ = false;
    a.next = end;
    if (a.next < all.size() && !a.failed) {
        QTimer::singleShot(0, this, [this] { ApplyNextPart(); });
        return;
    }
    if (!all.empty()) emit TablesChanged();
    QPointer<TSyncRunner> self(this);
    std::shared_ptr<Applying> done = std::move(part_);
    QMetaObject::invokeMethod(worker_, [self, w = worker_, done] {
        const CalDavResult status = w->Settle(done->outcome, done->applied);
        QMetaObject::invokeMethod(self.data(), [self, status] {
            if (self) self->Ended(status);
        });
    });
}

void TSyncRunner::Ended(const CalDavResult& status) {
    busy_ = false;
    ++rounds_;
    if (status.ok()) {
        retryMs_ = FirstRetryMs;
        emit StatusChanged(QString());
    } else if (config_.enabled) {
        emit StatusChanged(FailureText(status, retryMs_));
        soon_.start(retryMs_);
        retryMs_ = qMin(retryMs_ * 2, LongestRetryMs);
    }
    emit RoundEnded(status.ok());
    if (again_ && status.ok()) SyncNow();
}

QString TSyncRunner::FailureText(const CalDavResult& r, int retryMs) {
    return QStringLiteral("Синхронизация не удалась: ") + SyncFailureWords(r) +
           QStringLiteral(" Повтор через %1 мин.").arg(qMax(1, (retryMs + 59999) / 60000));
}
