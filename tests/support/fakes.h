#pragma once
// Test doubles shared by the unit tests: a toolkit whose dialogs are answered
// from a queue, a clock the test sets, a generator that replays given draws,
// and a temporary directory mapped as drive C.
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/random.h"
#include "platform/toolkit.h"

namespace drill::testing {

struct Circle {
    Panel panel;
    double x, y, radius;
};

// Modal boxes answered from a queue: the next answer for each input box (an
// empty queue answers as Cancel does), and what every box said.
struct DialogScript {
    std::deque<std::string> answers;
    std::vector<std::string> prompts;
    std::vector<std::string> messages;
    std::vector<std::string> captions;

    std::string answer(const std::string& prompt, const std::string& caption) {
        prompts.push_back(prompt);
        captions.push_back(caption);
        if (answers.empty()) return {};
        std::string next = std::move(answers.front());
        answers.pop_front();
        return next;
    }
    void show(const std::string& text, const std::string& caption) {
        messages.push_back(text);
        captions.push_back(caption);
    }
};

class FakeToolkit : public Toolkit, public DialogScript {
public:
    std::map<TextBox, std::string> texts{{TextBox::Question, ""}, {TextBox::Answer, " "}};
    std::map<Panel, std::optional<Picture>> pictures;
    std::map<Panel, std::pair<double, double>> scales;  // height, width
    std::vector<Circle> circles;
    std::optional<Picture> clipboard;
    int beeps = 0;
    int timerEnables = 0;

    std::string inputBox(const std::string& prompt, const std::string& caption) override {
        return answer(prompt, caption);
    }
    void messageBox(const std::string& text, const std::string& caption) override { show(text, caption); }
    void beep() override { ++beeps; }
    std::string text(TextBox box) override { return texts[box]; }
    void setText(TextBox box, const std::string& t) override { texts[box] = t; }
    std::optional<Picture> picture(Panel p) override { return pictures[p]; }
    void setPicture(Panel p, const std::optional<Picture>& pic) override { pictures[p] = pic; }
    void setScale(Panel p, double h, double w) override { scales[p] = {h, w}; }
    void circle(Panel p, double x, double y, double r) override { circles.push_back({p, x, y, r}); }
    void enableTimer() override { ++timerEnables; }
    void clipboardPut(const Picture& pic) override { clipboard = pic; }
    std::optional<Picture> clipboardTake() override { return clipboard; }
};

class FakeClock : public Clock {
public:
    std::string date = "12-07-2026";
    std::string time = "10:37:30";
    float seconds = 38250.5f;
    int dateReads = 0;
    int timeReads = 0;
    std::string dateText() override { ++dateReads; return date; }
    std::string timeText() override { ++timeReads; return time; }
    float secondsSinceMidnight() override { return seconds; }
};

// Replays the given draws in order, then repeats the last one (0 if none).
class ScriptedRandom : public Random {
public:
    std::deque<float> draws;
    std::vector<double> seeds;
    int drawCount = 0;
    float last = 0.0f;
    void seed(double s) override { seeds.push_back(s); }
    float draw() override {
        ++drawCount;
        if (!draws.empty()) {
            last = draws.front();
            draws.pop_front();
        }
        return last;
    }
};

// A fresh directory per test, mapped as drive C (DRILL_DRIVE_C); other drive
// variables are cleared so an unmapped drive is absent.
class TempDrive {
public:
    TempDrive() {
        char tmpl[] = "/tmp/drill_test_XXXXXX";
        char* made = mkdtemp(tmpl);
        if (made == nullptr) throw std::runtime_error("mkdtemp failed");
        root = made;
        for (char d = 'A'; d <= 'Z'; ++d) unsetenv((std::string("DRILL_DRIVE_") + d).c_str());
        setenv("DRILL_DRIVE_C", root.c_str(), 1);
    }
    ~TempDrive() {
        std::error_code ec;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root, ec);
        unsetenv("DRILL_DRIVE_C");
    }
    TempDrive(const TempDrive&) = delete;
    TempDrive& operator=(const TempDrive&) = delete;

    // Native path of a path relative to the drive root ("tarnholm/x.txt").
    std::filesystem::path path(const std::string& relative) const { return root / relative; }

    std::filesystem::path root;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace drill::testing
