// Watches, away from the user-interface thread, for a database server that
// stopped answering to answer again: it tries to attach now and then, at
// growing intervals, and reports the first success. So a server that is
// gone never freezes the windows while the program waits for it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "data/FbClient.h"

class ServerProbe {
  public:
    // `answered` runs on the probing thread once an attach succeeds.
    ServerProbe(FbConnection::Params params, std::function<void()> answered);
    ~ServerProbe();  // stops, waiting for an attach under way (its timeout at most)
    ServerProbe(const ServerProbe&) = delete;
    ServerProbe& operator=(const ServerProbe&) = delete;

    void Start();  // starts probing unless it probes already
    void Stop();
    bool Running() const;

    // Waits before the first try, then doubles up to the longest wait.
    static constexpr int FirstWaitMs = 500;
    static constexpr int LongestWaitMs = 8000;

  private:
    void run();

    FbConnection::Params params_;
    std::function<void()> answered_;
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::thread thread_;
    bool probing_ = false;
    bool stop_ = false;
};
