// The program: chooses the real services and runs the window.
#include <QCommandLineParser>
#include <QEvent>
#include <QIcon>
#include <QInputDialog>
#include <QTimer>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "application.h"

#include "drill/form_state.h"
#include "main_window.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "qt_desktop.h"
#include "quit_signals.h"

namespace {

const char* valueOf(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

#ifdef __linux__
// Whether an X server answers on its local socket: the abstract one first,
// as the X library tries it, then the socket file. A socket file that no
// server holds any more (left behind by one that crashed) is no display.
bool localXServerAnswers(const std::string& number) {
    const std::string path = "/tmp/.X11-unix/X" + number;
    for (const bool abstract : {true, false}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return true;  // cannot tell: let the toolkit try
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t offset = abstract ? 1 : 0;
        std::memcpy(address.sun_path + offset, path.data(), path.size());
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 ||
                             errno == EAGAIN || errno == EINPROGRESS;  // there, but busy
        ::close(fd);
        if (answers) return true;
    }
    return false;
}

// Whether an X display named ":N" (or "unix:N", with an optional ".screen")
// has a server on this machine; remote displays are taken as reachable.
bool localXDisplayAnswers(const std::string& display) {
    std::string rest;
    if (display.rfind(':', 0) == 0) {
        rest = display.substr(1);
    } else if (display.rfind("unix:", 0) == 0) {
        rest = display.substr(5);
    } else {
        return true;
    }
    const std::string number = rest.substr(0, rest.find('.'));
    if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos)
        return true;
    return localXServerAnswers(number);
}

// Without a display Qt aborts with a long plugin message; say plainly what is
// missing instead.
bool displayAvailable() {
    if (valueOf("QT_QPA_PLATFORM") || valueOf("WAYLAND_DISPLAY")) return true;
    const char* display = valueOf("DISPLAY");
    return display != nullptr && localXDisplayAnswers(display);
}
#endif

// Start-up is measured up to the first input box on the screen: with
// DRILL_EXIT_AT_FIRST_PROMPT set, the program says so and exits as soon as an
// input box has been painted.
class ExitAtFirstPrompt : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<QInputDialog*>(watched) != nullptr) {
            QTimer::singleShot(0, [] {
                static const char kShown[] = "first prompt shown\n";
                if (::write(1, kShown, sizeof kShown - 1) < 0) std::_Exit(1);
                std::_Exit(0);
            });
        }
        return false;
    }
};

void describeProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("assignment-drill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DRILL_VERSION));
}

void setUp(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Work through a course assignment and record your answers, critiques and notes.\n"
        "With no option, the program asks four questions and opens its window."));
    parser.addHelpOption();
    parser.addVersionOption();
}

// --help and --version answer without a display, as on any machine: the
// first of them on the command line, or nothing.
const char* helpOrVersion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-?" || arg == "-v" ||
            arg == "--version")
            return argv[i];
    }
    return nullptr;
}

// The toolkit's own option naming its platform, which then needs no check here.
bool platformGiven(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "-platform" || std::string(argv[i]) == "--platform") return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const char* asked = helpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        describeProgram();
        QCommandLineParser parser;
        setUp(parser);
        // Only what was asked: the toolkit's options (-platform ...) are not ours to refuse.
        parser.process(QStringList{QString::fromLocal8Bit(argv[0]), QString::fromLocal8Bit(asked)});
        return 0;  // process() prints it and exits
    }
    // Before anything is written: a full disk or a closed pipe must be an
    // error to report, not the end of the program.
    drill::ignoreWriteSignals();
#ifdef __linux__
    if (!platformGiven(argc, argv) && !displayAvailable()) {
        std::fprintf(stderr,
                     "%s: no display found; start it in a desktop session, or under Xvfb: "
                     "xvfb-run -a %s\n",
                     argv[0], argv[0]);
        return 1;
    }
#endif
    drill::Application app(argc, argv);
    describeProgram();
    // The desktop entry and the icon it names, for the session's task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.assignmentdrill.AssignmentDrill"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assignment-drill-256.png")));
    {
        // Whatever the toolkit did not take (-platform and the like) must be
        // ours, and there is nothing else.
        QCommandLineParser parser;
        setUp(parser);
        if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
            const QString error = parser.errorText().isEmpty()
                                      ? QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().value(0))
                                      : parser.errorText();
            std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", argv[0], qPrintable(error), argv[0]);
            return 2;
        }
    }
    ExitAtFirstPrompt exitHook;
    if (valueOf("DRILL_EXIT_AT_FIRST_PROMPT")) app.installEventFilter(&exitHook);

    const std::unique_ptr<drill::Files> files = drill::makeDiskFiles();
    const std::unique_ptr<drill::Clock> clock = drill::makeSystemClock();
    const std::unique_ptr<drill::Random> random = drill::makeGenerator();
    drill::QtDialogs dialogs;
    drill::SystemBeeper beeper;
    drill::QtTimer timer;
    drill::FormState state;
    drill::MainWindow window({*files, *clock, *random, dialogs, beeper, timer, state});
    dialogs.setOwner(&window);
    drill::QuitSignals quitSignals([&window] { window.requestQuit(); });

    if (!window.load()) return 0;
    QObject::connect(&window, &drill::MainWindow::ended, &app, [] { QCoreApplication::exit(0); });
    window.show();
    return app.exec();
}
