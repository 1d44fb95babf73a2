#include "process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace drill::e2e {

namespace {

std::vector<char*> pointers(const std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (const std::string& s : strings) out.push_back(const_cast<char*>(s.c_str()));
    out.push_back(nullptr);
    return out;
}

// In the child: only async-signal-safe calls until exec.
// `errorsToo` false leaves the child's error stream where this process's goes.
[[noreturn]] void execChild(const std::vector<char*>& argv, const std::vector<char*>& env, int outFd,
                            int keepFd, bool errorsToo = true) {
    const int devNull = ::open("/dev/null", O_RDWR);
    ::dup2(devNull, 0);
    ::dup2(outFd >= 0 ? outFd : devNull, 1);
    if (errorsToo) ::dup2(outFd >= 0 ? outFd : devNull, 2);
    if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
    // A process group of its own, so a kill reaches whatever it started.
    ::setpgid(0, 0);
    ::execve(argv[0], argv.data(), env.data());
    ::_exit(127);
}

}  // namespace

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> out;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (changes.count(name) == 0) out.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (!value.empty()) out.push_back(name + "=" + value);
    return out;
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& logFile, int keepFd) {
    int outFd = -1;
    if (!logFile.empty()) {
        outFd = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (outFd < 0) throw std::runtime_error("cannot open " + logFile);
    }
    const auto args = pointers(argv);
    const auto vars = pointers(env);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) execChild(args, vars, outFd, keepFd);
    if (outFd >= 0) ::close(outFd);
}

Process::~Process() { kill(); }

bool Process::reap(bool block) {
    if (status_) return true;
    if (pid_ <= 0) return true;
    int raw = 0;
    pid_t r;
    do r = ::waitpid(pid_, &raw, block ? 0 : WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r < 0) {
        status_ = -1;
        return true;
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

bool Process::running() { return !reap(false); }

std::optional<int> Process::waitFor(std::chrono::milliseconds limit) {
    if (waitUntil([this] { return reap(false); }, limit)) return status_;
    return std::nullopt;
}

void Process::kill() {
    if (pid_ <= 0 || reap(false)) return;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    reap(true);
}

Output run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
           std::chrono::milliseconds limit, Collect collect) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0) throw std::runtime_error("pipe");
    const auto args = pointers(argv);
    const auto vars = pointers(env);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) execChild(args, vars, fds[1], -1, collect == Collect::OutputAndErrors);
    ::close(fds[1]);

    Output result;
    const auto deadline = Clock::now() + limit;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char buf[4096];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        result.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int raw = 0;
    // Its output has ended; the command itself gets what is left of the time.
    const bool ended = !timedOut && waitUntil([&] { return ::waitpid(pid, &raw, WNOHANG) == pid; },
                                              std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  deadline - Clock::now()));
    if (!ended) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
        return result;
    }
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return result;
}

std::string which(const std::string& program) {
    if (program.find('/') != std::string::npos) return program;
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (done()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

}  // namespace drill::e2e
