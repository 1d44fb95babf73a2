#pragma once
// The signals the desktop session sends a program it wants gone, turned
// into the program's own quit.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace drill {

// Writes that hit a closed pipe or the file-size limit fail with their error
// number (SIGPIPE and SIGXFSZ would kill the program instead).
void ignoreWriteSignals();

// SIGTERM (logout, shutdown), SIGINT (Ctrl+C in a terminal) and SIGHUP (the
// terminal gone) call `quit` on the event thread, from the event loop: the
// handler only writes a byte into a pipe that a socket notifier watches, so
// a command that is running, and the block it writes, is finished first.
class QuitSignals : public QObject {
public:
    explicit QuitSignals(std::function<void()> quit);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void()> quit_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace drill
