#pragma once
// A main window on a temporary drive with a fake clock and a scripted
// generator; its dialogs are answered through the toolkit's seam and its
// beeps are counted.
#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "../unit/fakes.h"
#include "window/main_window.h"
#include "platform/files.h"
#include "window/qt_toolkit.h"

namespace drill::testing {

struct WindowRig {
    TempDrive drive;
    FakeClock clock;
    ScriptedRandom random;
    std::unique_ptr<Files> files = makeDiskFiles();
    MainWindow window{files.get(), &clock, &random};
    int beeps = 0;

    WindowRig() {
        window.toolkit().scripted = true;
        window.toolkit().beepHook = [this] { ++beeps; };
    }

    QtToolkit& toolkit() { return window.toolkit(); }
    FormState& state() { return window.drill().state(); }

    // Answers the four start-up questions and runs the load event.
    bool load(const std::string& name = "Ann Lee", const std::string& initials = "ALE",
              const std::string& assignment = "1", const std::string& place = "1") {
        toolkit().nextInputs = {place, name, initials, assignment};
        return window.load();
    }

    // Loads and shows the window, as the program does.
    bool open(const std::string& name = "Ann Lee") {
        if (!load(name)) return false;
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    template <class T>
    T* find(const QString& name) {
        return window.findChild<T*>(name);
    }

    // A click with the mouse, as the student does it.
    void click(const QString& name) {
        auto* button = find<QAbstractButton>(name);
        if (button == nullptr) qFatal("no button %s", qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    std::filesystem::path home(const std::string& file) const {
        return drive.path("tarnholm/" + file);
    }
};

}  // namespace drill::testing
