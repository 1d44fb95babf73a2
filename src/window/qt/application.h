#pragma once
// The Qt application of the program: keeps every exception out of Qt's
// event loop.
#include <QApplication>

#include "platform/errors.h"

namespace drill {

// Tells the student of a failure in Qt's handling of an event, outside any
// command, through the main window's report; nothing when there is no window.
void reportFailureOutsideCommands(int number);

// Runs an event handler of the program's own widgets so that no exception
// leaves it: Qt's event handling is not exception-safe, so what the handler
// cannot do (memory running out in a huge paste) is reported there instead.
template <class Handler>
void guardedHandler(Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        reportFailureOutsideCommands(numberOfCurrentFailure());
    }
}

class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    // The last guard: a failure in Qt's own handling of an event, outside
    // any command and any handler of ours, is told to the student as the
    // window tells any failure, and the program goes on.
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace drill
