#include "data/CallWatchdog.h"

#include <firebird/Interface.h>

using namespace Firebird;

CallWatchdog::~CallWatchdog() {
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    SetTarget(nullptr);
}

void CallWatchdog::SetTimeout(int ms) {
    std::lock_guard lock(m_);
    timeoutMs_ = ms;
    if (ms > 0 && !thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void CallWatchdog::SetTarget(IAttachment* att) {
    if (att) att->addRef();
    std::lock_guard lock(m_);
    if (target_) target_->release();
    target_ = att;
}

void CallWatchdog::Begin() {
    std::lock_guard lock(m_);
    if (depth_++ > 0 || timeoutMs_ <= 0) return;
    armed_ = true;
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    cv_.notify_all();
}

void CallWatchdog::Kick() {
    std::lock_guard lock(m_);
    if (armed_)
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
}

void CallWatchdog::End() {
    std::lock_guard lock(m_);
    if (--depth_ == 0) armed_ = false;
}

void CallWatchdog::run() {
    std::unique_lock lock(m_);
    while (!stop_) {
        if (!armed_) {
            cv_.wait(lock);
            continue;
        }
        if (cv_.wait_until(lock, deadline_) != std::cv_status::timeout) continue;
        if (!armed_ || std::chrono::steady_clock::now() < deadline_) continue;
        armed_ = false;
        if (!target_) continue;
        ThrowStatusWrapper st(fb_get_master_interface()->getStatus());
        try {
            target_->cancelOperation(&st, fb_cancel_abort);
        } catch (const FbException&) {
        }
        st.dispose();
    }
}
