#pragma once
// Child processes for the tests that drive whole programs: every wait has a
// deadline, and a child still running when its owner goes is killed, so a
// hung program can never hang the test.
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace drill::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The environment of this process with the given variables set (an empty
// value removes the variable).
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes);

class Process {
public:
    // Starts argv[0] (a path) with the environment given; output and errors
    // go to `logFile` (appended) when one is named, else nowhere. `keepFd`, if
    // not -1, is left open in the child under the same number.
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& logFile = {}, int keepFd = -1);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status (or 128 + signal) once the process has ended within
    // the time given; nothing when it is still running then.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    // Ends the process at once (SIGKILL) and reaps it.
    void kill();

private:
    bool reap(bool block);

    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct Output {
    int status = -1;  // exit status; -1 when the command was killed for taking too long
    std::string out;
};

// Which of a command's streams `run` collects.
enum class Collect { OutputAndErrors, OutputOnly };

// Runs a command to its end, within the time given, and collects its output.
// With `OutputOnly` its errors go to the test's own error stream: an error
// an X client prints must not read as part of what it answered.
Output run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
           std::chrono::milliseconds limit, Collect collect = Collect::OutputAndErrors);

// Full path of a program found on PATH, or the empty text.
std::string which(const std::string& program);

// Polls `done` every few milliseconds until it is true or the time is up.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace drill::e2e
