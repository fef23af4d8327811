#include "app/SignalBridge.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ui {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The write end is used by the handler, the read end by the notifier. One bridge per process.
int pipeEnds[2] = {-1, -1};

extern "C" void OnSignal(int signo) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalBridge::SignalBridge(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] >= 0)
        return; // another bridge already answers the signals
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::Deliver);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (int signo : kSignals)
        installed_ = ::sigaction(signo, &action, nullptr) == 0 && installed_;
}

SignalBridge::~SignalBridge() {
    if (!notifier_)
        return;
    for (int signo : kSignals)
        std::signal(signo, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void SignalBridge::Deliver() {
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        if (onSignal_)
            onSignal_(byte);
}

} // namespace ui
