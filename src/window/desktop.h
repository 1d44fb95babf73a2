#pragma once
// What the window is given of the desktop beyond its own widgets: the modal
// boxes, the system beep and the experiment's timer. The program gives it the
// real ones (qt_desktop.h); tests give it ones they answer and tick.
#include <functional>
#include <string>

namespace drill {

class Clock;
class Files;
class Random;
struct FormState;

// Modal boxes; texts are in the code page.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The entered text, or the empty text on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& caption) = 0;
    // Returns when the student has pressed OK.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

// Ticks on the event thread, once every interval, while enabled.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // Enabling a timer that runs already leaves its ticks as they are.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void setTickHandler(std::function<void()> handler) = 0;
};

// Everything the window works with that is not its own control; the program
// chooses the real ones, tests their own.
struct WindowServices {
    Files& files;
    Clock& clock;
    Random& random;
    Dialogs& dialogs;
    Beeper& beeper;
    Timer& timer;  // the experiment's timer, tmr_pend_exp
    FormState& state;  // the record every command shares; lives as long as the window
};

}  // namespace drill
