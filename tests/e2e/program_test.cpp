// The real program as a student runs it: on a private X server, answering its
// prompts and pressing its buttons with real key and mouse events, twice in a
// row on the same drive, and then the master, send and notes files compared
// byte for byte with what the record formats say they must hold.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "fakes.h"
#include "drill/texts.h"
#include "platform/codepage.h"
#include "process.h"
#include "records.h"
#include "x_session.h"

namespace drill::e2e {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using namespace block;

constexpr auto kStep = 30s;  // the sanitizer build is slow to start and to draw

// Centre of a control, in client pixels at 96 dots per inch, from its twips.
struct Spot {
    int left, top, width, height;
    int x() const { return (left + width / 2) / 15; }
    int y() const { return (top + height / 2) / 15; }
};
const Spot kNext{240, 0, 975, 735};
const Spot kEnterResponse{5640, 240, 855, 495};
const Spot kSaveAsNotes{6480, 240, 855, 495};
const Spot kDisplayNotes{4440, 240, 975, 495};
const Spot kDisplayEverything{3600, 240, 855, 495};
const Spot kClearBox{8280, 240, 855, 495};
const Spot kQuit{10200, 0, 735, 495};
const Spot kQuestionBox{240, 720, 5175, 5255};
const Spot kAnswerBox{5640, 720, 5055, 5255};

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%m-%d-%Y", &local);
    return buf;
}

// One run of the program, driven through the X server.
class StudentRun {
public:
    StudentRun(const XSession& x, const fs::path& drive, const fs::path& log) : x_(x) {
        std::map<std::string, std::string> env{{"DISPLAY", x.display()},
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {"WAYLAND_DISPLAY", ""},
                                               {"HOME", drive.string()},
                                               {"DRILL_DRIVE_C", drive.string()}};
        for (char d = 'A'; d <= 'Z'; ++d) {
            if (d != 'C') env[std::string("DRILL_DRIVE_") + d] = "";
        }
        program_ = std::make_unique<Process>(std::vector<std::string>{DRILL_PROGRAM}, environmentWith(env),
                                             log.string());
    }

    // Types the answer (code-page text) into the next input box and presses Return.
    void answerPrompt(const std::string& answer) {
        const std::string box = x_.waitForNewWindow(std::string("^") + texts::kCaption + "$", seen_, kStep);
        ASSERT_FALSE(box.empty()) << "no input box appeared";
        ASSERT_TRUE(x_.focus(box));
        if (!answer.empty()) {
            ASSERT_TRUE(x_.type(cp1252::toUtf8(answer)));
        }
        ASSERT_TRUE(x_.key("Return"));
    }

    void waitForWindow() {
        form_ = x_.waitForNewWindow("^Form1$", seen_, kStep);
        ASSERT_FALSE(form_.empty()) << "the main window did not appear";
        ASSERT_TRUE(x_.focus(form_));
    }

    void press(const Spot& s) { ASSERT_TRUE(x_.click(form_, s.x(), s.y())); }

    // Replaces whatever the answer box holds with typed text (UTF-8, as the
    // keyboard gives it); a newline is the Return key.
    void typeAnswer(const std::string& utf8) {
        press(kAnswerBox);
        ASSERT_TRUE(x_.key("ctrl+a"));
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = utf8.find('\n', start);
            const std::string line = utf8.substr(start, end == std::string::npos ? end : end - start);
            if (!line.empty()) {
                ASSERT_TRUE(x_.type(line));
            }
            if (end == std::string::npos) break;
            ASSERT_TRUE(x_.key("Return"));
            start = end + 1;
        }
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

    std::optional<int> waitForEnd() { return program_->waitFor(kStep); }

private:
    const XSession& x_;
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
        if (HasFailure()) std::cerr << "--- program and X server output ---\n" << readFile(log_) << "\n";
    }

    testing::TempDrive drive_;
    fs::path log_;
    std::unique_ptr<XSession> x_;
};

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
        StudentRun run(*x_, drive_.root, log_);
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt(name));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt(initials));
        ASSERT_NO_FATAL_FAILURE(run.answerPrompt("1"));
        ASSERT_NO_FATAL_FAILURE(run.waitForWindow());

        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer(typed1));
        ASSERT_NO_FATAL_FAILURE(run.press(kEnterResponse));
        ASSERT_NO_FATAL_FAILURE(run.press(kNext));
        ASSERT_NO_FATAL_FAILURE(run.typeAnswer(typedNote1));
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
        StudentRun run(*x_, drive_.root, log_);
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

}  // namespace
}  // namespace drill::e2e
