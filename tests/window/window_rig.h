#pragma once
// The window as the window tests use it: loaded with the four start-up
// answers through the scripted dialogs, and shown as the program shows it.
#include <QTest>
#include <string>

#include "window_harness.h"

namespace drill::testing {

struct WindowRig : WindowHarness {
    using WindowHarness::WindowHarness;

    // Answers the four start-up questions and runs the load event.
    bool load(const std::string& name = "Ann Lee", const std::string& initials = "ALE",
              const std::string& assignment = "1", const std::string& place = "1") {
        dialogs.answers = {place, name, initials, assignment};
        return window.load();
    }

    // Loads and shows the window, as the program does.
    bool open(const std::string& name = "Ann Lee") {
        if (!load(name)) return false;
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

}  // namespace drill::testing
