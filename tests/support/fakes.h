#pragma once
// Test doubles shared by the unit tests: a toolkit whose dialogs are answered
// from a queue, a clock the test sets, a generator that replays given draws,
// and a temporary directory mapped as drive C.
#include <chrono>
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

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

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

// Sets an environment variable, or clears it (nothing), where the program's
// own lookups see it on every system.
inline void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
#else
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
#endif
}

inline std::optional<std::string> environment(const std::string& name) {
#ifdef _WIN32
    char buf[32768];
    const DWORD n = GetEnvironmentVariableA(name.c_str(), buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return std::nullopt;
    return std::string(buf, n);
#else
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
#endif
}

#ifdef _WIN32
// Wine's name in the file system below it for a Windows path; nothing when
// not under Wine.
inline std::optional<std::string> wineUnixName(const std::filesystem::path& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return std::nullopt;
    char* n = unixName(path.c_str());
    std::string s = n ? n : "";
    HeapFree(GetProcessHeap(), 0, n);
    return s;
}

inline bool underWine() { return wineUnixName(std::filesystem::temp_directory_path()).has_value(); }

// Runs a shell script of the system below Wine with the paths as $1, $2...
// and returns once it has succeeded; false when not under Wine or when it
// failed or took over 30 s. Wine does not wait for such a program to end, so
// the script leaves a mark in the temporary folder when it is done.
inline bool belowWine(const std::string& script, const std::vector<std::filesystem::path>& paths) {
    static int runs = 0;
    const std::filesystem::path done = std::filesystem::temp_directory_path() /
                                       ("drill_below_wine_" + std::to_string(GetCurrentProcessId()) + "_" +
                                        std::to_string(++runs));
    std::vector<std::string> args;
    for (const auto& p : paths) {
        const std::optional<std::string> name = wineUnixName(p);
        if (!name) return false;
        args.push_back(*name);
    }
    args.push_back(*wineUnixName(done));
    // Wine splits the command line as Windows does: \" is a quote within a
    // quoted argument.
    std::string quoted;
    for (char c : script + " && : > \"$" + std::to_string(args.size()) + "\"") {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    std::string command = "Z:\\bin\\sh -c \"" + quoted + "\" sh";
    for (const std::string& a : args) command += " \"" + a + "\"";
    std::wstring wide(command.begin(), command.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         std::chrono::steady_clock::now() < deadline; Sleep(10)) {
        std::error_code ec;
        if (std::filesystem::remove(done, ec)) return true;
    }
    return false;
}
#endif

// Sets or clears one environment variable for as long as it lives.
class EnvGuard {
public:
    EnvGuard(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)), old_(environment(name_)) {
        setEnvironment(name_, value);
    }
    ~EnvGuard() { setEnvironment(name_, old_); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A fresh directory per test, mapped as drive C (DRILL_DRIVE_C), so that no
// test writes to a real drive; on Linux the other drive variables are
// cleared so an unmapped drive is absent (on Windows it is the real one).
class TempDrive {
public:
    TempDrive() {
        namespace fs = std::filesystem;
        static int made = 0;
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0;; ++attempt) {
            root = fs::temp_directory_path() /
                   ("drill_test_" + std::to_string(processId()) + "_" + std::to_string(++made) + "_" +
                    std::to_string(tick % 1000000));
            std::error_code ec;
            if (fs::create_directory(root, ec)) break;
            if (attempt > 100) throw std::runtime_error("no temporary directory: " + ec.message());
        }
        // Every other drive is absent: on Windows, mapped to a folder that
        // does not exist.
        for (char d = 'A'; d <= 'Z'; ++d) {
            std::optional<std::string> other;
#ifdef _WIN32
            other = (root / (std::string("no_drive_") + d)).string();
#endif
            setEnvironment(std::string("DRILL_DRIVE_") + d, other);
        }
        setEnvironment("DRILL_DRIVE_C", root.string());
        // The records of blocks under way go here too, not to the user's own.
        setEnvironment("DRILL_STATE_DIR", state().string());
    }
    ~TempDrive() {
        std::error_code ec;
#ifdef _WIN32
        // Links a test planted below Wine are directories to Wine, which it
        // cannot remove: they go from below.
        if (!belowWine("rm -rf \"$1\"", {root}))
#endif
        {
            std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
            std::filesystem::remove_all(root, ec);
        }
        std::filesystem::remove_all(state(), ec);
        for (char d = 'A'; d <= 'Z'; ++d) setEnvironment(std::string("DRILL_DRIVE_") + d, std::nullopt);
        setEnvironment("DRILL_STATE_DIR", std::nullopt);
    }
    TempDrive(const TempDrive&) = delete;
    TempDrive& operator=(const TempDrive&) = delete;

    // Native path of a path relative to the drive root ("tarnholm/x.txt"),
    // given in UTF-8.
    std::filesystem::path path(const std::string& relative) const {
        return root / std::filesystem::path(std::u8string(relative.begin(), relative.end()));
    }

    // The folder of the program's own state: beside the drive, not on it,
    // as the user's own state folder is not in the data directory.
    std::filesystem::path state() const { return root.string() + "_state"; }

    std::filesystem::path root;

private:
    static unsigned long processId() {
#ifdef _WIN32
        return GetCurrentProcessId();
#else
        return static_cast<unsigned long>(getpid());
#endif
    }
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
