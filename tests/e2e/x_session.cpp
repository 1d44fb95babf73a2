#include "x_session.h"

#include <cerrno>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace drill::e2e {

namespace {

constexpr auto kCommandLimit = 20s;
// Time for the program to handle the keys that copy a box's text.
constexpr auto kCopyLimit = 10s;

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
    xclip_ = which("xclip");
    if (xvfb.empty() || xdotool_.empty() || xclip_.empty())
        throw std::runtime_error("Xvfb, xdotool and xclip are needed");
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
    mapExtraKeys();
}

// The characters outside the server's US keyboard that the tests type get
// keys of their own before any program starts. xdotool would otherwise remap
// a spare key for each just before typing it, and under load the key event
// can reach the program before the new map does (a lost ë).
void XSession::mapExtraKeys() const {
    static const char* const kExtra[] = {"U00EB", "U20AC", "U03A9"};  // ë € Ω
    const std::string xmodmap = which("xmodmap");
    if (xmodmap.empty()) throw std::runtime_error("xmodmap is needed");
    const auto env = environmentWith({{"DISPLAY", display_}});
    const Output map = run({xmodmap, "-pke"}, env, kCommandLimit);
    std::istringstream lines(map.out);
    std::string line;
    std::vector<std::string> expressions;
    for (const char* keysym : kExtra) {
        // A key with no symbol: "keycode 8 =".
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string keycode, number, equals, symbol;
            words >> keycode >> number >> equals;
            if (keycode == "keycode" && equals == "=" && !(words >> symbol)) {
                expressions.push_back("keycode " + number + " = " + keysym);
                break;
            }
        }
    }
    std::vector<std::string> args{xmodmap};
    for (const std::string& e : expressions) {
        args.push_back("-e");
        args.push_back(e);
    }
    if (expressions.size() != std::size(kExtra) || run(args, env, kCommandLimit).status != 0)
        throw std::runtime_error("no keys could be given to the characters outside the keyboard");
}

XSession::~XSession() = default;  // the server's Process kills it

bool XSession::xdotool(std::vector<std::string> args, std::string* out) const {
    args.insert(args.begin(), xdotool_);
    const Output r = run(args, environmentWith({{"DISPLAY", display_}}), kCommandLimit, Collect::OutputOnly);
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

bool XSession::typeLines(const std::string& utf8) const {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = utf8.find('\n', start);
        const std::string line = utf8.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && !xdotool({"type", "--delay", "25", "--", line})) return false;
        if (end == std::string::npos) return true;
        if (!key("Return")) return false;
        start = end + 1;
    }
}

std::string XSession::typeChecked(const std::string& utf8, const std::string& shown,
                                  std::chrono::milliseconds limit, const std::function<bool()>& focus) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        // Typing over the selected text replaces it.
        std::string held = "(no copy of the box)";
        if (focus() && key("ctrl+a") && typeLines(utf8))
            held = (reader_ ? reader_(shown) : copyText(kCopyLimit)).value_or(held);
        if (held == shown || Clock::now() >= deadline) return held;
        std::cerr << "typed \"" << utf8 << "\", the box held \"" << held << "\": typing it again\n";
    }
}

std::optional<std::string> XSession::copyText(std::chrono::milliseconds limit) {
    // A copy has come when the clipboard's owner took it anew (a new time of
    // ownership, as Qt gives each copy) or holds other text: a copy not made
    // yet cannot pass for one made.
    const std::optional<std::string> stampBefore = clipboard("TIMESTAMP");
    const std::optional<std::string> textBefore = clipboard("UTF8_STRING");
    if (!key("ctrl+a") || !key("ctrl+c")) return std::nullopt;
    std::optional<std::string> copied;
    const bool came = waitUntil(
        [&] {
            const std::optional<std::string> stamp = clipboard("TIMESTAMP");
            copied = clipboard("UTF8_STRING");
            return copied && ((stamp && stamp != stampBefore) || copied != textBefore);
        },
        limit);
    return came ? copied : std::nullopt;
}

std::optional<std::string> XSession::clipboard(const char* target) const {
    const Output r = run({xclip_, "-selection", "clipboard", "-o", "-t", target},
                         environmentWith({{"DISPLAY", display_}}), kCommandLimit, Collect::OutputOnly);
    if (r.status != 0) return std::nullopt;
    return r.out;
}

bool XSession::key(const std::string& keys) const { return xdotool({"key", "--delay", "25", keys}); }

bool XSession::click(const std::string& window, int x, int y, int times) const {
    std::vector<std::string> args{"mousemove", "--window", window, std::to_string(x), std::to_string(y), "click"};
    if (times > 1) args.insert(args.end(), {"--repeat", std::to_string(times), "--delay", "150"});
    args.push_back("1");
    return xdotool(std::move(args));
}

}  // namespace drill::e2e
