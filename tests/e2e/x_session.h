#pragma once
// A private X server (Xvfb, on a display number it picks itself) and the
// student's hands on it: xdotool sends real key and mouse events through
// XTEST, and xclip reads back through the X clipboard what a box holds.
// Without a window manager, window positions are the program's own and focus
// is given explicitly before typing.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
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
    // Types the text (not empty; a newline is the Return key) over the whole
    // text of the focused box, and again until the box reads back as `shown`:
    // a character outside the keyboard's map goes through a keycode remapped
    // for it, and under load its key event can beat the remap. Gives what the
    // box held last.
    // `focus` gives the box the keyboard focus before each try: a window
    // that comes or goes meanwhile can take it.
    std::string typeChecked(const std::string& utf8, const std::string& shown, std::chrono::milliseconds limit,
                            const std::function<bool()>& focus);
    // The whole text of the focused box, selected and copied through the X
    // clipboard; nothing when no copy came in time (an empty box copies nothing).
    std::optional<std::string> copyText(std::chrono::milliseconds limit);
    // Typed text read back another way than by copying it: the reader is
    // given the text the box should hold and gives what it holds.
    using BoxReader = std::function<std::optional<std::string>(const std::string& shown)>;
    void readBoxesWith(BoxReader reader) { reader_ = std::move(reader); }
    bool key(const std::string& keys) const;                    // such as Return or ctrl+a
    // At client pixels; clicked again after 150 ms, as a student who clicks
    // twice to be sure, when `times` is 2.
    bool click(const std::string& window, int x, int y, int times = 1) const;

private:
    bool xdotool(std::vector<std::string> args, std::string* out = nullptr) const;
    void mapExtraKeys() const;
    bool typeLines(const std::string& utf8) const;
    // The clipboard's content as the target asks for it; nothing when it
    // has no owner or the owner does not offer the target.
    std::optional<std::string> clipboard(const char* target) const;

    std::unique_ptr<Process> server_;
    std::string display_;
    std::string xdotool_;
    std::string xclip_;
    BoxReader reader_;
};

}  // namespace drill::e2e
