#pragma once
// The desktop as tests give it to the window: dialogs answered from a queue,
// a beep that counts, and a timer ticked by hand.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes.h"
#include "window/desktop.h"

namespace drill::testing {

class ScriptedDialogs : public Dialogs, public DialogScript {
public:
    // Runs while each box is open, as events delivered inside its loop do.
    std::function<void()> whileOpen;

    std::string inputBox(const std::string& prompt, const std::string& caption) override {
        if (whileOpen) whileOpen();
        return answer(prompt, caption);
    }
    void messageBox(const std::string& text, const std::string& caption) override {
        show(text, caption);
        if (whileOpen) whileOpen();
    }
};

class CountingBeeper : public Beeper {
public:
    int beeps = 0;
    void beep() override { ++beeps; }
};

class ManualTimer : public Timer {
public:
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override {
        if (enabled && !enabled_) ++starts;
        enabled_ = enabled;
    }
    bool enabled() const override { return enabled_; }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    // Ticks as the event loop would deliver them; nothing while disabled.
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            if (enabled_ && handler_) handler_();
    }

    int starts = 0;  // times it went from disabled to enabled

private:
    int interval_ = 0;
    bool enabled_ = false;
    std::function<void()> handler_;
};

}  // namespace drill::testing
