// The watchdog of calls to the database server: no single call may take
// longer than a bound. A thread of its own waits for the deadline of the
// call in progress and, when it passes, closes the attachment under it, so
// that the call returns with a network error.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Firebird {
class IAttachment;
}

class CallWatchdog {
  public:
    CallWatchdog() = default;
    ~CallWatchdog();  // stops the thread and lets the attachment go
    CallWatchdog(const CallWatchdog&) = delete;
    CallWatchdog& operator=(const CallWatchdog&) = delete;

    // The bound of one call in milliseconds (0: none); the thread starts
    // with the first bound.
    void SetTimeout(int ms);
    // The attachment that a late call is cut off from (null: none).
    void SetTarget(Firebird::IAttachment* att);

    // A call begins and ends; calls within a call share its deadline.
    void Begin();
    void End();
    // A call that makes progress (another batch of rows) gets more time.
    void Kick();

  private:
    void run();

    std::mutex m_;
    std::condition_variable cv_;
    std::thread thread_;
    int timeoutMs_ = 0;
    int depth_ = 0;
    bool armed_ = false;
    bool stop_ = false;
    std::chrono::steady_clock::time_point deadline_;
    Firebird::IAttachment* target_ = nullptr;
};

// Watches one call to the server for as long as it lives.
class WatchedCall {
  public:
    explicit WatchedCall(CallWatchdog* watch) : watch_(watch) { watch_->Begin(); }
    ~WatchedCall() { watch_->End(); }
    WatchedCall(const WatchedCall&) = delete;
    WatchedCall& operator=(const WatchedCall&) = delete;

  private:
    CallWatchdog* watch_;
};
