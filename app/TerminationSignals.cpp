#include "TerminationSignals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::array<int, 2> pipeEnds{-1, -1};
constexpr std::array<int, 3> handled{SIGTERM, SIGINT, SIGHUP};

extern "C" void onTerminationSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipeEnds.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default action
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handled)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (const int number : handled)
        std::signal(number, SIG_DFL);
    notifier_.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds = {-1, -1};
}

void TerminationSignals::readPipe() {
    char byte = 0;
    bool any = false;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        any = true;
    if (!any)
        return;
    // A second signal while the program ends (a user pressing Ctrl+C again) ends it at once.
    for (const int number : handled)
        std::signal(number, SIG_DFL);
    emit received(int(byte));
}
