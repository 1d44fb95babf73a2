#pragma once
// A private X server (Xvfb, on a display number it picks itself) and the
// student's hands on it: xdotool sends real key and mouse events through
// XTEST. Without a window manager, window positions are the program's own
// and focus is given explicitly before typing.
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "process.h"

namespace drill::e2e {

class XSession {
public:
    // Starts the server; throws std::runtime_error when it cannot be started.
    explicit XSession(const std::string& logFile);
    ~XSession();

    const std::string& display() const { return display_; }

    // Ids of the visible top-level windows whose title matches the pattern.
    std::vector<std::string> windows(const std::string& titlePattern) const;
    // Waits for a visible window with that title that is not among `seen`,
    // and adds it there; the empty text when none came in time.
    std::string waitForNewWindow(const std::string& titlePattern, std::set<std::string>& seen,
                                 std::chrono::milliseconds limit) const;

    bool focus(const std::string& window) const;
    bool type(const std::string& utf8) const;  // one line of text
    bool key(const std::string& keys) const;             // such as Return or ctrl+a
    bool click(const std::string& window, int x, int y) const;  // client pixels

private:
    bool xdotool(std::vector<std::string> args, std::string* out = nullptr) const;

    std::unique_ptr<Process> server_;
    std::string display_;
    std::string xdotool_;
};

}  // namespace drill::e2e
