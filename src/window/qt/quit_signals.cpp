#include "quit_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <iterator>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace drill {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Both ends of the pipe; the handler may use only what is async-signal-safe.
int pipeEnds[2] = {-1, -1};
// What each signal did before, given back when the program is done with it.
struct sigaction previous[std::size(kQuitSignals)];
bool taken[std::size(kQuitSignals)] = {};

extern "C" void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 'q';
    // A full pipe already holds a request to quit.
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

}  // namespace

void ignoreWriteSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

QuitSignals::QuitSignals(std::function<void()> quit) : quit_(std::move(quit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        if (quit_) quit_();
    });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i) {
        // A signal the program was started to ignore (nohup, a background
        // job of a shell) stays ignored.
        if (::sigaction(kQuitSignals[i], nullptr, &previous[i]) != 0 || previous[i].sa_handler == SIG_IGN) continue;
        taken[i] = ::sigaction(kQuitSignals[i], &action, nullptr) == 0;
    }
}

QuitSignals::~QuitSignals() {
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i) {
        if (taken[i]) ::sigaction(kQuitSignals[i], &previous[i], nullptr);
        taken[i] = false;
    }
    delete notifier_;
    for (int& end : pipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

}  // namespace drill
