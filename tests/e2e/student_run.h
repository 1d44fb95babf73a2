#pragma once
// The student's hands on a real program: one run of it on a private X
// server, its prompts answered and its buttons pressed with real key and
// mouse events, for every test that drives a real program (the Linux one,
// and the Windows one under Wine).
#include <gtest/gtest.h>

#include <ctime>
#include <iostream>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drill/texts.h"
#include "fakes.h"
#include "one_session.h"
#include "platform/codepage.h"
#include "process.h"
#include "x_session.h"

namespace drill::e2e {

namespace fs = std::filesystem;

inline constexpr auto kStep = 30s;  // the sanitizer build is slow to start and to draw

// Centre of a control, in client pixels at 96 dots per inch, from its twips.
struct Spot {
    int left, top, width, height;
    int x() const { return (left + width / 2) / 15; }
    int y() const { return (top + height / 2) / 15; }
};
inline const Spot kNext{240, 0, 975, 735};
inline const Spot kEnterResponse{5640, 240, 855, 495};
inline const Spot kSaveAsNotes{6480, 240, 855, 495};
inline const Spot kDisplayNotes{4440, 240, 975, 495};
inline const Spot kDisplayEverything{3600, 240, 855, 495};
inline const Spot kClearBox{8280, 240, 855, 495};
inline const Spot kQuit{10200, 0, 735, 495};
inline const Spot kQuestionBox{240, 720, 5175, 5255};
inline const Spot kAnswerBox{5640, 720, 5055, 5255};

inline std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%m-%d-%Y", &local);
    return buf;
}

// How a run starts the program: its command, and what it adds to or
// changes in the environment a run gives it.
struct Launch {
    std::vector<std::string> argv;
    std::map<std::string, std::string> env;
};

// One run of the program, driven through the X server.
class StudentRun {
public:
    // `shell`, when given, runs first in a shell that then becomes the
    // program (to set a limit on it, say).
    StudentRun(XSession& x, const fs::path& drive, const fs::path& log, const Launch& launch,
               const std::string& shell = {})
        : x_(x) {
        std::map<std::string, std::string> env{{"DISPLAY", x.display()},
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {"WAYLAND_DISPLAY", ""},
                                               {"HOME", drive.string()},
                                               {"DRILL_DRIVE_C", drive.string()}};
        for (char d = 'A'; d <= 'Z'; ++d) {
            if (d != 'C') env[std::string("DRILL_DRIVE_") + d] = "";
        }
        for (const auto& [name, value] : launch.env) env[name] = value;
        std::vector<std::string> argv = launch.argv;
        if (!shell.empty()) {
            argv = {"/bin/sh", "-c", shell + " exec \"$0\" \"$@\""};
            argv.insert(argv.end(), launch.argv.begin(), launch.argv.end());
        }
        program_ = std::make_unique<Process>(argv, environmentWith(env), log.string());
    }

    // The whole start: the four answers, then the window.
    void start(const std::string& name, const std::string& initials) {
        ASSERT_NO_FATAL_FAILURE(answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(answerPrompt(name));
        ASSERT_NO_FATAL_FAILURE(answerPrompt(initials));
        ASSERT_NO_FATAL_FAILURE(answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(waitForWindow());
    }

    void waitForPrompt() {
        ASSERT_FALSE(x_.waitForNewWindow(std::string("^") + texts::kCaption + "$", seen_, kStep).empty());
    }

    void signal(int number) { ::kill(program_->pid(), number); }

    // Types the answer (code-page text) into the next input box and, once the
    // box holds it, presses Return.
    void answerPrompt(const std::string& answer) {
        const std::string box = x_.waitForNewWindow(std::string("^") + texts::kCaption + "$", seen_, kStep);
        ASSERT_FALSE(box.empty()) << "no input box appeared";
        ASSERT_TRUE(x_.focus(box));
        if (!answer.empty()) {
            const std::string utf8 = cp1252::toUtf8(answer);
            ASSERT_EQ(x_.typeChecked(utf8, utf8, kStep, [&] { return x_.focus(box); }), utf8);
        }
        ASSERT_TRUE(x_.key("Return"));
    }

    void waitForWindow() {
        form_ = x_.waitForNewWindow("^Form1$", seen_, kStep);
        ASSERT_FALSE(form_.empty()) << "the main window did not appear";
        ASSERT_TRUE(x_.focus(form_));
    }

    void press(const Spot& s, int times = 1) { ASSERT_TRUE(x_.click(form_, s.x(), s.y(), times)); }

    // Replaces whatever the answer box holds with typed text (UTF-8, as the
    // keyboard gives it; a newline is the Return key), until the box shows
    // `shown` (UTF-8; the typed text when not given).
    void typeAnswer(const std::string& utf8, const std::string& shown = {}) {
        press(kAnswerBox);
        const std::string expected = shown.empty() ? utf8 : shown;
        ASSERT_EQ(x_.typeChecked(utf8, expected, kStep, [&] { return x_.click(form_, kAnswerBox.x(), kAnswerBox.y()); }),
                  expected);
    }

    // What the question box shows, copied into the answer box by the student.
    void copyQuestionToAnswer() {
        press(kQuestionBox);
        ASSERT_TRUE(x_.key("ctrl+a"));
        ASSERT_TRUE(x_.key("ctrl+c"));
        press(kAnswerBox);
        ASSERT_TRUE(x_.key("ctrl+a"));
        ASSERT_TRUE(x_.key("ctrl+v"));
    }

    // Presses OK (Return) on the message box that comes next.
    void confirmMessage() {
        const std::string box = x_.waitForNewWindow(std::string("^") + texts::kCaption + "$", seen_, kStep);
        ASSERT_FALSE(box.empty()) << "no message box appeared";
        ASSERT_TRUE(x_.focus(box));
        ASSERT_TRUE(x_.key("Return"));
    }

    bool stillRunning() { return program_->running() && !x_.windows("^Form1$").empty(); }

    // Runs the student's own session (one_session.h) from its first prompt
    // to "quit program".
    void oneSession();

    std::optional<int> waitForEnd() { return program_->waitFor(kStep); }

private:
    XSession& x_;
    std::unique_ptr<Process> program_;
    std::set<std::string> seen_;
    std::string form_;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = drive_.root / "session.log";
        try {
            x_ = std::make_unique<XSession>(log_.string());
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
    }
    void TearDown() override {
        if (HasFailure()) std::cerr << "--- program and X server output ---\n" << testing::readFile(log_) << "\n";
    }

    testing::TempDrive drive_;
    fs::path log_;
    std::unique_ptr<XSession> x_;
};


inline void StudentRun::oneSession() {
    namespace s = one_session;
    ASSERT_NO_FATAL_FAILURE(start(s::kName, s::kInitials));
    ASSERT_NO_FATAL_FAILURE(press(kNext));
    // Typed over two lines: the Return key breaks them.
    ASSERT_NO_FATAL_FAILURE(typeAnswer("The level rises at first\nthen it slows down."));
    ASSERT_NO_FATAL_FAILURE(press(kEnterResponse));
    ASSERT_NO_FATAL_FAILURE(press(kNext));
    ASSERT_NO_FATAL_FAILURE(typeAnswer(s::kTypedNote, cp1252::toUtf8(s::kNote)));
    ASSERT_NO_FATAL_FAILURE(press(kSaveAsNotes));
    ASSERT_NO_FATAL_FAILURE(press(kDisplayNotes));
    ASSERT_NO_FATAL_FAILURE(press(kDisplayEverything));
    ASSERT_TRUE(stillRunning());
    ASSERT_NO_FATAL_FAILURE(press(kQuit));
}

}  // namespace drill::e2e
