#include "StopSignals.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free data");

extern "C" void onStopSignal(int number) {
    int none = 0;
    if (!received.compare_exchange_strong(none, number)) {
        std::signal(number, SIG_DFL); // asked twice: the default action, now
        std::raise(number);
    }
}

} // namespace

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start (nohup, a background job) stays ignored.
        struct sigaction before {};
        if (::sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, nullptr);
    }
}

int stopSignal() {
    return received.load();
}
