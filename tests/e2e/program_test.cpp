// The real program as a student runs it: on a private X server, answering its
// prompts and pressing its buttons with real key and mouse events, twice in a
// row on the same drive, and then the master, send and notes files compared
// byte for byte with what the record formats say they must hold.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "drill/texts.h"
#include "fakes.h"
#include "platform/codepage.h"
#include "process.h"
#include "records.h"
#include "student_run.h"
#include "x_session.h"

namespace drill::e2e {
namespace {

using testing::readFile;
using namespace block;

const Launch kLinux{{DRILL_PROGRAM}, {}};

TEST_F(ProgramTest, TwoRunsRecordEverythingAndAppend) {
    const std::string name = "Zo\xEB Lee";  // ë: the file names are written in UTF-8
    const std::string initials = "ZL";
    const std::set<std::string> dates{today()};

    // Run 1: answer, note, the notes shown and recorded, the transcript shown
    // and recorded, and the fourth press ends the program with message A.
    // Typed, and as recorded in the code page: omega is not in it.
    const std::string typed1 = "The level rises at first\nthen it slows down.";
    const std::string answer1 = "The level rises at first\r\nthen it slows down.";
    const std::string typedNote1 = "Sketch it first: \u00EB and \u20AC stay, \u03A9 does not.";
    const std::string note1 = "Sketch it first: \xEB and \x80 stay, ? does not.";
    {
        StudentRun run(*x_, drive_.root, log_, kLinux);
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt(name));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt(initials));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(run.waitForWindow());

        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer(typed1));
        ASSERT_NO_FATAL_FAILURE(run.press(kEnterResponse));
        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer(typedNote1, cp1252::toUtf8(note1)));
        ASSERT_NO_FATAL_FAILURE(run.press(kSaveAsNotes));
        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.press(kDisplayNotes));
        ASSERT_NO_FATAL_FAILURE(run.copyQuestionToAnswer());
        ASSERT_NO_FATAL_FAILURE(run.press(kEnterResponse));
        ASSERT_NO_FATAL_FAILURE(run.press(kDisplayEverything));
        ASSERT_NO_FATAL_FAILURE(run.copyQuestionToAnswer());
        ASSERT_NO_FATAL_FAILURE(run.press(kEnterResponse));
        ASSERT_TRUE(run.stillRunning());
        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.confirmMessage());
        EXPECT_EQ(run.waitForEnd(), std::optional<int>(0)) << "the program did not end cleanly";
    }

    // Run 2, assignment typed as 001: a note, an answer, the notes shown and
    // saved as a note, the transcript shown, the box cleared, then quit.
    const std::string note2 = "Second run";
    const std::string answer2 = "R2 answer";
    {
        StudentRun run(*x_, drive_.root, log_, kLinux);
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt(name));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt(initials));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt("001"));
        ASSERT_NO_FATAL_FAILURE(run.waitForWindow());

        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer(note2));
        ASSERT_NO_FATAL_FAILURE(run.press(kSaveAsNotes));
        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer(answer2));
        ASSERT_NO_FATAL_FAILURE(run.press(kEnterResponse));
        ASSERT_NO_FATAL_FAILURE(run.press(kDisplayNotes));
        ASSERT_NO_FATAL_FAILURE(run.copyQuestionToAnswer());
        ASSERT_NO_FATAL_FAILURE(run.press(kSaveAsNotes));
        ASSERT_NO_FATAL_FAILURE(run.press(kDisplayEverything));
        ASSERT_NO_FATAL_FAILURE(run.copyQuestionToAnswer());
        ASSERT_NO_FATAL_FAILURE(run.press(kClearBox));
        ASSERT_TRUE(run.stillRunning());
        ASSERT_NO_FATAL_FAILURE(run.press(kQuit));
        EXPECT_EQ(run.waitForEnd(), std::optional<int>(0)) << "the program did not end cleanly";
    }

    // The files, as the record formats build them.
    const Header h1{name, initials, "001", "r1."};
    const Header h2{name, initials, "001", "r2."};
    const Record notes1 = notes(NotesFile::Notes, "r1.b2", kLine5, note1);
    const Record notes2 = notes(NotesFile::Notes, "r2.b1", kLine3, note2);
    // Shown after the third press: the question box and responseText both
    // hold line 7, then come the notes file's lines joined.
    const Record shown1 = Record(kLine7 + kLine7) + notes1.joinedLines();
    const Record transcript1 = Record(kAnswerSep) + shown1 + kQaSep + kLine7 + kAnswerSep + "NOTES -------> " +
                               note1 + kQaSep + kLine5 + kAnswerSep + answer1 + kQaSep + kLine3;
    // After a recorded answer the box is empty and responseText holds it.
    const Record shown2 = Record(answer2) + (notes1 + notes2).joinedLines();

    const Record master =
        masterHeader(h1) + masterResponse("r1.b1", kLine3, "10000", answer1) +
        notes(NotesFile::Master, "r1.b2", kLine5, note1) + masterResponse("r1.b3", kLine7, "10000", shown1) +
        masterResponse("r1.b4", kLine7, "10000", transcript1) + masterHeader(h2) +
        notes(NotesFile::Master, "r2.b1", kLine3, note2) + masterResponse("r2.b2", kLine5, "10000", answer2) +
        notes(NotesFile::Master, "r2.b3", kLine5, shown2);
    const Record send =
        sendHeader(h1) + sendResponse("r1.b1", kLine3, answer1) + notes(NotesFile::Send, "r1.b2", kLine5, note1) +
        sendResponse("r1.b3", kLine7, shown1) + sendResponse("r1.b4", kLine7, transcript1) + sendHeader(h2) +
        notes(NotesFile::Send, "r2.b1", kLine3, note2) + sendResponse("r2.b2", kLine5, answer2) +
        notes(NotesFile::Send, "r2.b3", kLine5, shown2);
    const Record notesFile = notes1 + notes2 + notes(NotesFile::Notes, "r2.b3", kLine5, shown2);

    const fs::path dir = drive_.root / "tarnholm";
    const std::string utf8Name = cp1252::toUtf8("Zo\xEB_Lee");
    Fields fields;
    fields.allowedDates = {today()};
    fields.allowedDates.insert(dates.begin(), dates.end());

    const std::string masterBytes = readFile(dir / ("masterFile_" + utf8Name + ".txt"));
    EXPECT_EQ(expectedBytes(master, masterBytes, 0, fields), masterBytes);

    // The send file is named after the month and day of the first start.
    const std::string date = fields.values["r1.master.date"];
    ASSERT_TRUE(isDate(date)) << "no date read from the master file";
    const std::string sendName = "send_" + date.substr(0, 2) + date.substr(3, 2) + utf8Name + ".txt";
    const std::string sendBytes = readFile(dir / sendName);
    EXPECT_EQ(expectedBytes(send, sendBytes, 0, fields), sendBytes);

    const std::string notesBytes = readFile(dir / ("notes_" + utf8Name + ".txt"));
    EXPECT_EQ(expectedBytes(notesFile, notesBytes, 0, fields), notesBytes);

    // Nothing else was written into the data directory.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"masterFile_" + utf8Name + ".txt", sendName,
                                            "notes_" + utf8Name + ".txt"}));
}

// Logout or shutdown (SIGTERM), Ctrl+C in the terminal (SIGINT) and the
// terminal gone (SIGHUP) end the program as "quit program" does: status 0,
// and what it recorded is whole in its files.
TEST_F(ProgramTest, SessionSignalsEndItAsQuitDoes) {
    const std::pair<int, const char*> signals[] = {{SIGTERM, "Term"}, {SIGINT, "Int"}, {SIGHUP, "Hup"}};
    for (const auto& [number, name] : signals) {
        const std::string student = std::string("Sig ") + name;
        StudentRun run(*x_, drive_.root, log_, kLinux);
        ASSERT_NO_FATAL_FAILURE(run.start(student, "SG"));
        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer("recorded before the signal"));
        ASSERT_NO_FATAL_FAILURE(run.press(kEnterResponse));
        const fs::path send = drive_.root / "tarnholm" / ("send_" + today().substr(0, 2) + today().substr(3, 2) +
                                                          "Sig_" + name + ".txt");
        ASSERT_TRUE(waitUntil([&] { return readFile(send).find("recorded before") != std::string::npos; }, kStep));
        run.signal(number);
        EXPECT_EQ(run.waitForEnd(), std::optional<int>(0)) << name;
        Fields fields;
        fields.allowedDates = {today()};
        const std::string bytes = readFile(send);
        const Record expected = sendHeader(Header{student, "SG", "001", "h."}) +
                                sendResponse("r", kLine3, "recorded before the signal");
        EXPECT_EQ(expectedBytes(expected, bytes, 0, fields), bytes) << name;
    }
}

TEST_F(ProgramTest, ASignalAtTheFirstPromptEndsItWithoutAFile) {
    StudentRun run(*x_, drive_.root, log_, kLinux);
    ASSERT_NO_FATAL_FAILURE(run.waitForPrompt());
    run.signal(SIGTERM);
    EXPECT_EQ(run.waitForEnd(), std::optional<int>(0));
    EXPECT_TRUE(fs::is_empty(drive_.root / "tarnholm"));
}

// A file-size limit (ulimit -f) is a full disk to the program: message B 61,
// the header in neither file, and the program goes on.
TEST_F(ProgramTest, TheFileSizeLimitIsAnErrorNotTheEnd) {
    const fs::path dir = drive_.root / "tarnholm";
    fs::create_directories(dir);
    const fs::path send = dir / ("send_" + today().substr(0, 2) + today().substr(3, 2) + "Ann_Lee.txt");
    const std::string earlier(16 * 1024, 's');
    testing::writeFile(send, earlier);
    StudentRun run(*x_, drive_.root, log_, kLinux, "ulimit -f 8;");
    ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
    ASSERT_NO_FATAL_FAILURE(run.answerPrompt("Ann Lee"));
    ASSERT_NO_FATAL_FAILURE(run.answerPrompt("AL"));
    ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
    ASSERT_NO_FATAL_FAILURE(run.confirmMessage());
    ASSERT_NO_FATAL_FAILURE(run.waitForWindow());
    ASSERT_TRUE(run.stillRunning());
    EXPECT_EQ(readFile(send), earlier);
    EXPECT_EQ(readFile(dir / "masterFile_Ann_Lee.txt"), "");
    ASSERT_NO_FATAL_FAILURE(run.press(kQuit));
    EXPECT_EQ(run.waitForEnd(), std::optional<int>(0));
}

std::vector<std::string> offscreenEnvironment(const fs::path& drive) {
    return environmentWith({{"QT_QPA_PLATFORM", "offscreen"}, {"DRILL_DRIVE_C", drive.string()}});
}

// The command line: --help and --version answer without a display, anything
// else of its own is refused before a window opens.
TEST(ProgramOutputTest, CommandLine) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"--version"}, 0, "assignment-drill " DRILL_VERSION},
        {{"-v"}, 0, "assignment-drill " DRILL_VERSION},
        {{"--help"}, 0, "-v, --version"},
        {{"-h"}, 0, "With no option, the program asks four questions"},
        {{"--bogus"}, 2, "Unknown option 'bogus'"},
        {{"extra"}, 2, "unexpected argument 'extra'"},
    };
    testing::TempDrive drive;
    for (const auto& c : cases) {
        std::vector<std::string> argv{DRILL_PROGRAM};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        // No display for the first four; the offscreen one for the others.
        const bool needsWindow = c.status != 0;
        const Output o = run(argv,
                             environmentWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""},
                                              {"QT_QPA_PLATFORM", needsWindow ? "offscreen" : ""},
                                              {"DRILL_DRIVE_C", drive.root.string()}}),
                             60s);
        EXPECT_EQ(o.status, c.status) << c.args[0] << "\n" << o.out;
        EXPECT_NE(o.out.find(c.says), std::string::npos) << c.args[0] << "\n" << o.out;
    }
    // Nothing was started: no data directory was made.
    EXPECT_FALSE(fs::exists(drive.root / "tarnholm"));
}

// Started to ignore SIGHUP (nohup, a shell's background job), it keeps
// ignoring it; SIGTERM still ends it as "quit program" does.
TEST(ProgramOutputTest, ASignalIgnoredAtStartStaysIgnored) {
    testing::TempDrive drive;
    Process program({"/bin/sh", "-c", "trap '' HUP; exec \"$0\"", DRILL_PROGRAM}, offscreenEnvironment(drive.root));
    // Waiting at its first prompt, which nobody answers.
    ASSERT_TRUE(waitUntil([&] { return fs::exists(drive.root / "tarnholm"); }, 30s));
    ::kill(program.pid(), SIGHUP);
    EXPECT_EQ(program.waitFor(500ms), std::nullopt) << "SIGHUP ended it";
    ::kill(program.pid(), SIGTERM);
    EXPECT_EQ(program.waitFor(30s), std::optional<int>(0));
}

// A write to a pipe nobody reads fails with its error instead of killing the
// program: the start-up measure's line goes to a pipe already closed, and its
// failed write ends the program with status 1 (SIGPIPE would give 141).
TEST(ProgramOutputTest, AClosedPipeIsAnErrorNotTheEnd) {
    testing::TempDrive drive;
    std::vector<std::string> env = offscreenEnvironment(drive.root);
    env.push_back("DRILL_EXIT_AT_FIRST_PROMPT=1");
    const Output o = run({"/bin/bash", "-c", "\"$0\" | true; exit ${PIPESTATUS[0]}", DRILL_PROGRAM}, env, 60s);
    EXPECT_EQ(o.status, 1) << o.out;
}

// A display whose X socket is still there but whose server is gone: the
// program's own line, status 1, not the toolkit's abort.
TEST(ProgramOutputTest, AStaleXSocketIsNoDisplay) {
    const fs::path sockets = "/tmp/.X11-unix";
    if (!fs::exists(sockets)) {
        fs::create_directories(sockets);
        fs::permissions(sockets, fs::perms::all | fs::perms::sticky_bit);
    }
    int number = 900;
    while (fs::exists(sockets / ("X" + std::to_string(number)))) ++number;
    const fs::path socket = sockets / ("X" + std::to_string(number));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);  // the file stays, with nobody listening

    testing::TempDrive drive;
    const Output o = run({DRILL_PROGRAM},
                         environmentWith({{"DISPLAY", ":" + std::to_string(number)}, {"QT_QPA_PLATFORM", ""},
                                          {"WAYLAND_DISPLAY", ""}, {"DRILL_DRIVE_C", drive.root.string()}}),
                         60s);
    fs::remove(socket);
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find("no display found"), std::string::npos) << o.out;
}

}  // namespace
}  // namespace drill::e2e
