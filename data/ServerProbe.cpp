#include "data/ServerProbe.h"
#include "core/Error.h"

#include <chrono>

ServerProbe::ServerProbe(FbConnection::Params params, std::function<void()> answered)
    : params_(std::move(params)), answered_(std::move(answered)) {}

ServerProbe::~ServerProbe() {
    Stop();
}

void ServerProbe::Start() {
    std::lock_guard lock(m_);
    if (probing_) return;
    if (thread_.joinable()) thread_.join();  // the last round has ended
    probing_ = true;
    stop_ = false;
    thread_ = std::thread([this] { run(); });
}

void ServerProbe::Stop() {
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(m_);
    probing_ = false;
}

bool ServerProbe::Running() const {
    std::lock_guard lock(m_);
    return probing_;
}

void ServerProbe::run() {
    int waitMs = FirstWaitMs;
    for (;;) {
        {
            std::unique_lock lock(m_);
            if (cv_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return stop_; })) {
                probing_ = false;
                return;
            }
        }
        bool answered = false;
        try {
            FbConnection probe;
            probe.Attach(params_);
            probe.Detach();
            answered = true;
        } catch (const EQuillet&) {
        }
        if (answered) {
            {
                std::lock_guard lock(m_);
                probing_ = false;
                if (stop_) return;
            }
            answered_();
            return;
        }
        waitMs = std::min(waitMs * 2, LongestWaitMs);
    }
}
