#pragma once
// The desktop on Win32: modal boxes, the system beep and a timer.
#include <functional>
#include <string>

#include <windows.h>

#include "window/desktop.h"

namespace drill::win32 {

class Win32Dialogs : public Dialogs {
public:
    // The boxes open over `owner` once it is set and shown (the main window).
    void setOwner(HWND owner) { owner_ = owner; }

    // A modal box with the prompt, a one-line entry field, OK and Cancel.
    std::string inputBox(const std::string& prompt, const std::string& caption) override;
    void messageBox(const std::string& text, const std::string& caption) override;

    // Called with each input box once it is on the screen.
    std::function<void(HWND box)> shown;

    // Closes whatever box is open, as Cancel (or OK) would: the program is
    // ending.
    static void closeOpenBoxes();

private:
    HWND owner() const;
    HWND owner_ = nullptr;
};

class Win32Beeper : public Beeper {
public:
    void beep() override { MessageBeep(MB_OK); }
};

// Ticks on the event thread: WM_TIMER to a window of its own that only
// takes messages.
class Win32Timer : public Timer {
public:
    Win32Timer();
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    void setInterval(int milliseconds) override;
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    int interval_ = 0;
    bool enabled_ = false;
    std::function<void()> handler_;
};

// Ids of the input box's items, for whoever drives it.
inline constexpr int kInputBoxPrompt = 100;
inline constexpr int kInputBoxEntry = 101;

}  // namespace drill::win32
