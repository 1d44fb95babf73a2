// Start-up as a whole process: from fork and exec until the first input box
// has been painted, for the drill and for a minimal Qt program that shows one
// input box, run in turn so both see the same machine. Both programs exit at
// that moment when DRILL_EXIT_AT_FIRST_PROMPT is set, and say so on stdout;
// a run that does not is a failure, not a time.
//
//   drill_startup [--runs N] [--drill PATH] [--baseline PATH]
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* kShown = "first prompt shown";
constexpr int kTimeoutMs = 60000;

// Seconds from fork to the program's exit after its first prompt, or nothing
// (with the reason on stderr) when it did not get there.
std::optional<double> runOnce(const std::string& program) {
    int out[2];
    if (::pipe(out) != 0) return std::nullopt;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        // Qt's warnings too: they are shown only when a run fails.
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(out[1]);

    std::string said;
    bool timedOut = false;
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, kTimeoutMs);
        if (ready == 0) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        char buf[256];
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        said.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    if (timedOut) {
        std::fprintf(stderr, "%s: no first prompt within %d s\n", program.c_str(), kTimeoutMs / 1000);
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || said.find(kShown) == std::string::npos) {
        std::fprintf(stderr, "%s: ended without showing its first prompt (status %d, output \"%s\")\n",
                     program.c_str(), status, said.c_str());
        return std::nullopt;
    }
    return seconds;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Series {
    std::string name;
    std::string program;
    std::vector<double> seconds;
};

}  // namespace

int main(int argc, char* argv[]) {
    int runs = 30;
    Series drill{"drill", DRILL_PROGRAM, {}};
    Series baseline{"minimal Qt input box", BASELINE_PROGRAM, {}};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--drill" && i + 1 < argc) {
            drill.program = argv[++i];
        } else if (arg == "--baseline" && i + 1 < argc) {
            baseline.program = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--runs N] [--drill PATH] [--baseline PATH]\n", argv[0]);
            return 2;
        }
    }
    if (runs < 1) runs = 1;

    char tmpl[] = "/tmp/drill_startup_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("DRILL_DRIVE_C", tmpl, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("DRILL_EXIT_AT_FIRST_PROMPT", "1", 1);

    bool ok = true;
    // The first runs fill the page cache and the font cache; they are not kept.
    const int warmUp = runs > 1 ? 3 : 0;
    for (int i = 0; i < warmUp + runs && ok; ++i) {
        // Alternate which goes first, so neither always follows the other.
        Series* order[2] = {&drill, &baseline};
        if (i % 2) std::swap(order[0], order[1]);
        for (Series* s : order) {
            const std::optional<double> t = runOnce(s->program);
            if (!t) {
                ok = false;
                break;
            }
            if (i >= warmUp) s->seconds.push_back(*t);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
    if (!ok) return 1;

    std::printf("Start-up until the first prompt is painted, %d runs each (offscreen)\n\n", runs);
    std::printf("| Program | Median | Fastest | Slowest |\n|---|---|---|---|\n");
    for (const Series* s : {&drill, &baseline}) {
        const auto [lo, hi] = std::minmax_element(s->seconds.begin(), s->seconds.end());
        std::printf("| %s | %.1f ms | %.1f ms | %.1f ms |\n", s->name.c_str(), median(s->seconds) * 1e3,
                    *lo * 1e3, *hi * 1e3);
    }
    const double ratio = median(drill.seconds) / median(baseline.seconds);
    std::printf("\nRatio of medians: %.2f (goal <= 1.3: %s)\n", ratio, ratio <= 1.3 ? "met" : "MISSED");
    return 0;
}
