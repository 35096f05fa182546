#include "platform/ShutdownSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

int pipeEnds[2] = {-1, -1};
volatile sig_atomic_t arrived = 0;
constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int number) {
    const int saved = errno;
    arrived = 1;
    const char byte = char(number);
    if (pipeEnds[1] >= 0) (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

void setHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Handled)
        sigaction(s, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace

void ShutdownSignals::Install() {
    if (pipeEnds[0] < 0) {
        if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) pipeEnds[0] = pipeEnds[1] = -1;
    }
    setHandlers();
}

void ShutdownSignals::Reclaim() {
    if (pipeEnds[0] >= 0) setHandlers();
}

bool ShutdownSignals::Arrived() {
    return arrived != 0;
}

void ShutdownSignals::SleepUnlessSignalled(int seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!Arrived() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

ShutdownSignals::ShutdownSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] < 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
}

void ShutdownSignals::Drain() {
    char bytes[64];
    for (;;) {
        const ssize_t n = ::read(pipeEnds[0], bytes, sizeof bytes);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i)
            if (onSignal_) onSignal_(int(uchar(bytes[i])));
    }
}
