#pragma once
// The whole main window on a temporary drive, with a fixed clock, a scripted
// generator, a counted beep and a timer ticked by hand. Its dialogs are the
// scripted ones, or the real Qt boxes for tests that answer them on screen.
#include <QAbstractButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "drill/form_state.h"
#include "fakes.h"
#include "platform/files.h"
#include "window/qt/main_window.h"
#include "window/qt/qt_desktop.h"
#include "window/qt/text_box.h"
#include "window_fakes.h"

namespace drill::testing {

struct WindowHarness {
    explicit WindowHarness(bool realDialogs = false) : realDialogs_(realDialogs) {
        if (realDialogs_) qtDialogs.setOwner(&window);
    }

    TempDrive drive;
    FakeClock clock;  // 12-07-2026 10:37:30
    ScriptedRandom random;
    std::unique_ptr<Files> files = makeDiskFiles();
    ScriptedDialogs dialogs;
    QtDialogs qtDialogs;
    CountingBeeper beeper;
    ManualTimer timer;
    FormState state;

private:
    bool realDialogs_;

public:
    MainWindow window{WindowServices{*files, clock, random,
                                     realDialogs_ ? static_cast<Dialogs&>(qtDialogs) : dialogs, beeper, timer,
                                     state}};

    bool usesRealDialogs() const { return realDialogs_; }

    template <class T>
    T* find(const QString& name) {
        return window.findChild<T*>(name);
    }

    // A click with the mouse, as the student does it.
    void press(const QString& name) {
        auto* button = find<QAbstractButton>(name);
        if (button == nullptr) throw std::runtime_error("no button " + name.toStdString());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    CodePageTextEdit* box(const char* name) { return find<CodePageTextEdit>(name); }
    std::string question() { return box("txt_question")->codePageText(); }
    std::string answer() { return box("txt_answer")->codePageText(); }
    void setQuestion(const std::string& text) { box("txt_question")->setCodePageText(text); }
    void setAnswer(const std::string& text) { box("txt_answer")->setCodePageText(text); }

    // Native path of a file in the home data directory.
    std::filesystem::path home(const std::string& file = {}) const { return drive.path("tarnholm") / file; }
};

}  // namespace drill::testing
