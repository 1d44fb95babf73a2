#pragma once
// The part of the toolkit the drill runs against that every front end does
// the same way: the modal boxes, the beep and the timer the window was
// given, and knowing when a modal box is open. The front end adds its boxes,
// panels and clipboard.
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/toolkit.h"
#include "window/desktop.h"

namespace drill {

// A picture a panel is given must fill its rectangle with pixels: anything
// else is an invalid argument (5), whoever made it.
inline void requireWholePicture(const std::optional<Picture>& picture) {
    if (!picture) return;
    const auto expected = static_cast<long long>(picture->width) * picture->height;
    if (picture->width < 0 || picture->height < 0 || static_cast<long long>(picture->pixels.size()) != expected)
        fail(err::InvalidArgument);
}

class DesktopToolkit : public Toolkit {
public:
    DesktopToolkit(Dialogs& dialogs, Beeper& beeper, Timer& timer)
        : dialogs_(dialogs), beeper_(beeper), timer_(timer) {}

    std::string inputBox(const std::string& prompt, const std::string& caption) override {
        if (stopped_) throw EndProgram{};
        ModalScope modal(modalDepth_);
        std::string answer = dialogs_.inputBox(prompt, caption);
        if (stopped_) throw EndProgram{};
        return answer;
    }

    void messageBox(const std::string& text, const std::string& caption) override {
        if (stopped_) throw EndProgram{};
        ModalScope modal(modalDepth_);
        dialogs_.messageBox(text, caption);
        if (stopped_) throw EndProgram{};
    }

    void beep() override { beeper_.beep(); }
    void enableTimer() override { timer_.setEnabled(true); }

    // True while a modal box is open: its own message loop still delivers
    // timer events, and no tick may run then.
    bool modalOpen() const { return modalDepth_ > 0; }

    // The program is ending: a box that is open or about to open ends the
    // command that asked for it instead (throws EndProgram).
    void stopDialogs() { stopped_ = true; }

private:
    // Counts an open modal box for as long as it is open, however it closes.
    class ModalScope {
    public:
        explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
        ~ModalScope() { --depth_; }
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        int& depth_;
    };

    Dialogs& dialogs_;
    Beeper& beeper_;
    Timer& timer_;
    int modalDepth_ = 0;
    bool stopped_ = false;
};

}  // namespace drill
