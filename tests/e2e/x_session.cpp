#include "x_session.h"

#include <cerrno>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace drill::e2e {

namespace {

constexpr auto kCommandLimit = 20s;

// Reads the display number Xvfb writes to the -displayfd pipe once it is up.
std::string readDisplayNumber(int fd, std::chrono::milliseconds limit) {
    std::string text;
    const auto deadline = Clock::now() + limit;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return {};
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return {};
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return {};
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

XSession::XSession(const std::string& logFile) {
    const std::string xvfb = which("Xvfb");
    xdotool_ = which("xdotool");
    if (xvfb.empty() || xdotool_.empty()) throw std::runtime_error("Xvfb and xdotool are needed");
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0) throw std::runtime_error("pipe");
    try {
        server_ = std::make_unique<Process>(
            std::vector<std::string>{xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "1024x768x24", "-nolisten", "tcp", "-noreset"},
            environmentWith({}), logFile, fds[1]);
    } catch (...) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw;
    }
    ::close(fds[1]);
    const std::string number = readDisplayNumber(fds[0], 15s);
    ::close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start (see " + logFile + ")");
    display_ = ":" + number;
}

XSession::~XSession() = default;  // the server's Process kills it

bool XSession::xdotool(std::vector<std::string> args, std::string* out) const {
    args.insert(args.begin(), xdotool_);
    const Output r = run(args, environmentWith({{"DISPLAY", display_}}), kCommandLimit);
    if (out != nullptr) *out = r.out;
    return r.status == 0;
}

std::vector<std::string> XSession::windows(const std::string& titlePattern) const {
    std::string out;
    xdotool({"search", "--onlyvisible", "--name", titlePattern}, &out);
    std::vector<std::string> ids;
    std::istringstream in(out);
    for (std::string id; in >> id;) ids.push_back(id);
    return ids;
}

std::string XSession::waitForNewWindow(const std::string& titlePattern, std::set<std::string>& seen,
                                       std::chrono::milliseconds limit) const {
    std::string found;
    waitUntil(
        [&] {
            for (const std::string& id : windows(titlePattern))
                if (seen.count(id) == 0) {
                    found = id;
                    return true;
                }
            return false;
        },
        limit);
    if (!found.empty()) seen.insert(found);
    return found;
}

bool XSession::focus(const std::string& window) const {
    return xdotool({"windowfocus", "--sync", window});
}

bool XSession::type(const std::string& utf8) const {
    return xdotool({"type", "--delay", "25", "--", utf8});
}

bool XSession::key(const std::string& keys) const { return xdotool({"key", "--delay", "25", keys}); }

bool XSession::click(const std::string& window, int x, int y) const {
    return xdotool({"mousemove", "--window", window, std::to_string(x), std::to_string(y), "click", "1"});
}

}  // namespace drill::e2e
