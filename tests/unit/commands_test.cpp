// The student's commands on a real run: the built-in script, the blocks in
// the master, send and notes files, and what the display commands show.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "drill/texts.h"
#include "drill_rig.h"
#include "faults.h"
#include "platform/errors.h"

namespace drill {
namespace {

namespace fs = std::filesystem;
using testing::DrillRig;
using testing::readFile;

const std::string kBang = "......!!!!!!!!...................................";
const std::string kDots(49, '.');
const std::string kIndent(36, ' ');
const std::string kQa = texts::kQaSeparator;
const std::string kAns = texts::kAnswerSeparator;
const std::string kLine3 =
    "If you were to let the water from one bottle flow into another bottle, with tubes at the "
    "bottom of both bottles and the first bottle full and with water just to the level of the "
    "hole in the second bottle, then how will the water level in the second bottle change with "
    "clock time from the beginning until the water in both bottles is again at the level of the "
    "holes?";
const std::string kLine5 =
    "For the situation just described sketch graphs of the flow rate from the first bottle, flow "
    "rate vs. depth for the second bottle and depth vs. clock time for the second.";
const std::string kLine7 =
    "Go do the experiment  Measure depth vs. clock time for the second bottle; record the initial "
    "depth in the first bottle.";

// Ann Lee's run of assignment 001, with her three files at hand.
struct AnnsRun : DrillRig {
    AnnsRun() { loadAs("Ann Lee", "AML", "1"); }
    std::optional<testing::SizeLimit> sizeLimit;
#ifdef _WIN32
    std::optional<testing::FileInUse> inUse;
#endif
    fs::path masterPath() const { return home("masterFile_Ann_Lee.txt"); }
    fs::path sendPath() const { return home("send_1207Ann_Lee.txt"); }
    fs::path notesPath() const { return home("notes_Ann_Lee.txt"); }
    std::string master() const { return bytes(masterPath()); }
    std::string send() const { return bytes(sendPath()); }
    std::string notes() const { return bytes(notesPath()); }
    // A directory in a file's place reads as such, not as its bytes.
    static std::string bytes(const fs::path& p) { return fs::is_directory(p) ? "<directory>" : readFile(p); }
    std::string& box(TextBox b) { return toolkit.texts[b]; }
    bool anyChannelOpen() const { return files->isOpen(1) || files->isOpen(2) || files->isOpen(3); }
};

// A clock whose time moves one second at every reading.
struct SteppingClock : testing::FakeClock {
    int next = 0;
    std::string timeText() override {
        ++timeReads;
        char buf[16];
        std::snprintf(buf, sizeof buf, "10:00:%02d", next++);
        return buf;
    }
};

std::string responseBlock(bool master, const std::string& time, const std::string& question,
                          const std::string& answer) {
    return kBang + "\r\n" + kIndent + time + "\r\n" +
           (master ? "\r\n\r\n`questionNumber 10000 \r\n" : "") + question + "\r\n" + kBang + "\r\n" +
           "RESPONSE -->  \r\n" + answer + "\r\n" + kDots + "\r\n";
}

// `time` on the time line, `later` on the date-time line.
std::string notesBlock(bool master, const std::string& time, const std::string& later,
                       const std::string& question, const std::string& note) {
    return kBang + "\r\n" + kIndent + time + "\r\n" + kIndent + "12-07-2026" + later + "\r\n" + question +
           "\r\n" + kBang + "\r\n" + "NOTES -------> " + note + "\r\n" + kDots +
           (master ? "\r\n" : "       ");
}

TEST(Stepping, TheBuiltInScriptThenMessageA) {
    AnnsRun run;
    const std::string prompt = run.state.answerPrompt;
    run.drill.nextQuestion();
    EXPECT_EQ(run.box(TextBox::Question), kLine3);
    EXPECT_EQ(run.box(TextBox::Answer), " ");
    run.drill.nextQuestion();
    EXPECT_EQ(run.box(TextBox::Question), kLine3 + kLine5);
    EXPECT_EQ(run.box(TextBox::Answer), prompt);
    run.drill.nextQuestion();
    EXPECT_EQ(run.box(TextBox::Question), kLine3 + kLine5 + kLine7);
    EXPECT_EQ(run.state.responseText, kLine3 + kLine5 + kLine7);
    EXPECT_EQ(run.state.cumulativeText, kQa + kLine7 + kQa + kLine5 + kQa + kLine3);
    EXPECT_TRUE(run.toolkit.messages.empty());

    EXPECT_THROW(run.drill.nextQuestion(), EndProgram);
    ASSERT_EQ(run.toolkit.messages.size(), 1u);
    EXPECT_EQ(run.toolkit.messages[0], texts::kMessageA);
    EXPECT_EQ(run.box(TextBox::Question), kLine3 + kLine5 + kLine7);
    EXPECT_EQ(run.state.cumulativeText, kQa + kLine7 + kQa + kLine5 + kQa + kLine3);
}

TEST(Stepping, RoutineLinesAreRunNotShown) {
    const struct {
        const char* what;
        std::map<long, std::string> lines;
        const char* shown;  // nullptr: the program ends
    } cases[] = {
        {"graph routine then text", {{3, "`routine graph1"}, {5, "Shown"}}, "Shown"},
        {"capitals, blanks and hyphens", {{3, "`ROUTINE Gr-aph 2"}, {4, "Shown"}}, "Shown"},
        {"any ninth character", {{3, "`routine#graph3"}, {4, "Shown"}}, "Shown"},
        {"two in a row: the second is text", {{3, "`routine graph1"}, {4, "`routine graph2"}},
         "`routine graph2"},
        {"exactly eight characters is text", {{3, "`routine"}, {4, "After"}}, "`routine"},
        {"exactly nine: empty name", {{3, "`routine "}, {4, "After"}}, nullptr},
        {"exitprog", {{3, "`routine exitprog"}, {4, "After"}}, nullptr},
        {"exit-prog", {{3, "`Routine exit-prog"}, {4, "After"}}, nullptr},
        {"unknown name", {{3, "`routine graph4"}, {4, "After"}}, nullptr},
        {"end of assignment", {{6, "002.  Part B"}}, nullptr},
    };
    for (const auto& c : cases) {
        AnnsRun run;
        for (long i = 2; i <= 7; ++i) run.state.scriptLines[static_cast<std::size_t>(i)].clear();
        for (const auto& [i, text] : c.lines) run.state.scriptLines[static_cast<std::size_t>(i)] = text;
        run.box(TextBox::Question) = "Before";
        if (c.shown == nullptr) {
            EXPECT_THROW(run.drill.nextQuestion(), EndProgram) << c.what;
            EXPECT_EQ(run.box(TextBox::Question), "Before") << c.what;
            EXPECT_TRUE(run.toolkit.messages.empty()) << c.what;
        } else {
            run.drill.nextQuestion();
            EXPECT_EQ(run.box(TextBox::Question), std::string("Before") + c.shown) << c.what;
            EXPECT_EQ(run.state.questionText, "") << c.what;
        }
    }
}

TEST(Stepping, AnEightCharacterMarkerOwesNoAnswer) {
    AnnsRun run;
    run.state.scriptLines[3] = "`routine";
    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "typed";
    run.drill.nextQuestion();
    EXPECT_EQ(run.box(TextBox::Answer), "typed");
    EXPECT_EQ(run.box(TextBox::Question), "`routine" + kLine5);
}

// Blocks byte for byte after a real header block, with a clock that moves
// at every reading so each line shows which reading it took.
TEST(Recording, BlocksByteForByte) {
    DrillRig rig;
    SteppingClock clock;
    FormState drillState;
    Drill drill{drill::Session{rig.toolkit, *rig.files, clock, rig.random, drillState}};
    rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
    drill.load();
    const fs::path masterPath = rig.home("masterFile_Ann_Lee.txt");
    const fs::path sendPath = rig.home("send_1207Ann_Lee.txt");
    const fs::path notesPath = rig.home("notes_Ann_Lee.txt");
    std::string master = readFile(masterPath);
    std::string send = readFile(sendPath);
    ASSERT_FALSE(master.empty());
    ASSERT_EQ(master.substr(master.size() - 2), "\r\n");

    drill.nextQuestion();
    rig.toolkit.texts[TextBox::Answer] = "It falls, fast at first.";
    clock.next = 0;
    drill.enterResponse();
    master += kBang + "\r\n" + kIndent + "10:00:00\r\n" + "\r\n\r\n`questionNumber 10000 \r\n" + kLine3 +
              "\r\n" + kBang + "\r\n" + "RESPONSE -->  \r\n" + "It falls, fast at first.\r\n" + kDots + "\r\n";
    send += kBang + "\r\n" + kIndent + "10:00:01\r\n" + kLine3 + "\r\n" + kBang + "\r\n" +
            "RESPONSE -->  \r\n" + "It falls, fast at first.\r\n" + kDots + "\r\n";
    EXPECT_EQ(readFile(masterPath), master);
    EXPECT_EQ(readFile(sendPath), send);
    EXPECT_FALSE(fs::exists(notesPath));

    rig.toolkit.texts[TextBox::Answer] = "Check the tubes.";
    clock.next = 0;
    clock.dateReads = 0;
    drill.saveAsNotes();
    EXPECT_EQ(clock.dateReads, 3);
    // Times 00..02 on the time lines, 03..05 on the date-time lines, file by file.
    master += kBang + "\r\n" + kIndent + "10:00:00\r\n" + kIndent + "12-07-202610:00:03\r\n" + kLine3 +
              "\r\n" + kBang + "\r\n" + "NOTES -------> Check the tubes.\r\n" + kDots + "\r\n";
    send += kBang + "\r\n" + kIndent + "10:00:01\r\n" + kIndent + "12-07-202610:00:04\r\n" + kLine3 + "\r\n" +
            kBang + "\r\n" + "NOTES -------> Check the tubes.\r\n" + kDots + "       ";
    std::string notes = kBang + "\r\n" + kIndent + "10:00:02\r\n" + kIndent + "12-07-202610:00:05\r\n" +
                        kLine3 + "\r\n" + kBang + "\r\n" + "NOTES -------> Check the tubes.\r\n" + kDots +
                        "       ";
    EXPECT_EQ(readFile(masterPath), master);
    EXPECT_EQ(readFile(sendPath), send);
    EXPECT_EQ(readFile(notesPath), notes);

    // The next block continues the open line in the send and notes files,
    // and starts a line of its own in the master file.
    drill.nextQuestion();
    rig.toolkit.texts[TextBox::Answer] = "A second note.";
    clock.next = 10;
    drill.saveAsNotes();
    master += notesBlock(true, "10:00:10", "10:00:13", kLine5, "A second note.");
    send += notesBlock(false, "10:00:11", "10:00:14", kLine5, "A second note.");
    notes += notesBlock(false, "10:00:12", "10:00:15", kLine5, "A second note.");
    rig.toolkit.texts[TextBox::Answer] = "answer";
    clock.next = 20;
    drill.enterResponse();
    master += responseBlock(true, "10:00:20", kLine5, "answer");
    send += responseBlock(false, "10:00:21", kLine5, "answer");
    EXPECT_EQ(readFile(masterPath), master);
    EXPECT_EQ(readFile(sendPath), send);
    EXPECT_EQ(readFile(notesPath), notes);

    // A note last: the next run's cover line continues the send file's open
    // line, while the master file's header starts on a line of its own.
    rig.toolkit.texts[TextBox::Answer] = "last";
    drill.saveAsNotes();
    master = readFile(masterPath);
    send = readFile(sendPath);
    FormState secondState;
    Drill second{drill::Session{rig.toolkit, *rig.files, clock, rig.random, secondState}};
    rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
    second.load();
    const std::string masterHeader = readFile(masterPath).substr(master.size());
    const std::string sendHeader = readFile(sendPath).substr(send.size());
    ASSERT_EQ(send.substr(send.size() - 7), "       ");
    const std::string cover = masterHeader.substr(0, masterHeader.find("\r\n"));
    EXPECT_FALSE(cover.empty());
    EXPECT_EQ(sendHeader.substr(0, cover.size() + 2), cover + "\r\n");
}

TEST(Recording, QuestionNumberField) {
    const struct { const char* assignment; const char* question; const char* field; } cases[] = {
        {"001", "", " 10000 "},
        {"012", "", " 120000 "},
        {"001", "7", " 10007 "},
        {"abc", "", " 0 "},
        {"-01", "", "-10000 "},
        {"1.5", "", " 15000 "},
        {"99999999999", "", " 999999999990000 "},
        {"1e11", "", " 1E+15 "},
    };
    for (const auto& c : cases) {
        AnnsRun run;
        run.state.assignmentNbr = c.assignment;
        run.state.questionNbr = c.question;
        const std::size_t before = run.master().size();
        run.drill.enterResponse();
        const std::string block = run.master().substr(before);
        const std::string line = "\r\n\r\n`questionNumber" + std::string(c.field) + "\r\n";
        EXPECT_NE(block.find(kIndent + "10:37:30\r\n" + line + "\r\n"), std::string::npos)
            << c.assignment << " gives\n" << block;
    }
}

TEST(Recording, EdgeTexts) {
    const struct {
        const char* what;
        bool note;
        bool stepFirst;  // a question was shown before recording
        std::string answer;  // recorded as it is
    } cases[] = {
        {"empty answer", false, true, ""},
        {"empty note", true, true, ""},
        {"before any question", false, false, " "},
        {"note before any question", true, false, " "},
        {"several lines", false, true, "first\r\nsecond\r\n\r\nfourth"},
        {"code page bytes", true, true, "\xE9t\xE9 \x80"},
    };
    for (const auto& c : cases) {
        AnnsRun run;
        if (c.stepFirst) run.drill.nextQuestion();
        const std::string question = c.stepFirst ? kLine3 : "";
        const std::string transcript = run.state.cumulativeText;
        const std::size_t masterBefore = run.master().size(), sendBefore = run.send().size();
        run.box(TextBox::Answer) = c.answer;
        if (c.note) {
            run.drill.saveAsNotes();
            const std::string t = "10:37:30";
            EXPECT_EQ(run.master().substr(masterBefore), notesBlock(true, t, t, question, c.answer)) << c.what;
            EXPECT_EQ(run.send().substr(sendBefore), notesBlock(false, t, t, question, c.answer)) << c.what;
            EXPECT_EQ(run.notes(), notesBlock(false, t, t, question, c.answer)) << c.what;
            EXPECT_EQ(run.state.cumulativeText, kAns + "NOTES -------> " + c.answer + transcript) << c.what;
            EXPECT_EQ(run.state.responseText, "NOTES -------> " + c.answer);
        } else {
            run.drill.enterResponse();
            EXPECT_EQ(run.master().substr(masterBefore), responseBlock(true, "10:37:30", question, c.answer))
                << c.what;
            EXPECT_EQ(run.send().substr(sendBefore), responseBlock(false, "10:37:30", question, c.answer))
                << c.what;
            EXPECT_EQ(run.state.cumulativeText, kAns + c.answer + transcript) << c.what;
            EXPECT_EQ(run.state.responseText, c.answer);
        }
        EXPECT_EQ(run.box(TextBox::Question), "") << c.what;
        EXPECT_EQ(run.box(TextBox::Answer), "") << c.what;
        EXPECT_FALSE(run.state.answerPending) << c.what;
        EXPECT_FALSE(run.anyChannelOpen()) << c.what;
    }
}

TEST(Recording, TheUntouchedPromptRecordsNothing) {
    for (bool note : {false, true}) {
        AnnsRun run;
        run.drill.nextQuestion();
        run.drill.nextQuestion();  // the prompt is now in the answer box
        const std::string prompt = run.state.answerPrompt;
        ASSERT_EQ(run.box(TextBox::Answer), prompt);
        const std::string master = run.master(), send = run.send(), transcript = run.state.cumulativeText;
        note ? run.drill.saveAsNotes() : run.drill.enterResponse();
        EXPECT_EQ(run.master(), master);
        EXPECT_EQ(run.send(), send);
        EXPECT_FALSE(fs::exists(run.notesPath()));
        EXPECT_EQ(run.box(TextBox::Question), "");
        EXPECT_EQ(run.box(TextBox::Answer), "");
        EXPECT_EQ(run.state.cumulativeText, transcript);
        run.drill.nextQuestion();
        EXPECT_EQ(run.box(TextBox::Answer), prompt) << "the question is still owed an answer";
        EXPECT_EQ(run.box(TextBox::Question), kLine7);
    }
}

// Whatever stops a recording, the student's text stays in the answer box to
// be recorded again, even across the next question, no file changes, and no
// channel is left open to block the next try.
TEST(Recording, FailuresKeepTheAnswerAndEveryFile) {
    struct Case {
        const char* what;
        bool note;
        int error;
        std::function<void(AnnsRun&)> breakIt, mendIt;
    };
    // Puts `what` at a file's path, keeping the file aside until it is mended.
    const auto replace = [](fs::path (AnnsRun::*file)() const, std::function<void(const fs::path&)> what) {
        return std::pair{std::function<void(AnnsRun&)>([file, what](AnnsRun& r) {
                             const fs::path p = (r.*file)();
                             if (fs::exists(p)) fs::rename(p, p.string() + ".aside");
                             what(p);
                         }),
                         std::function<void(AnnsRun&)>([file](AnnsRun& r) {
                             const fs::path p = (r.*file)();
                             fs::remove(p);
                             if (fs::exists(p.string() + ".aside")) fs::rename(p.string() + ".aside", p);
                         })};
    };
    // A file at the size limit: the files before it in the block take their
    // part, then this one fails, as when the disk fills up.
    const auto fill = [](fs::path (AnnsRun::*file)() const) {
        return std::function<void(AnnsRun&)>([file](AnnsRun& r) {
            testing::fillTo((r.*file)(), 64 * 1024);
            r.sizeLimit.emplace(r.disk, 64 * 1024);
        });
    };
    const auto unfill = [](AnnsRun& r) { r.sizeLimit.reset(); };
    const auto directory = [](const fs::path& p) { fs::create_directory(p); };
    const auto noDir = [](AnnsRun& r) { fs::rename(r.drive.path("tarnholm"), r.drive.path("elsewhere")); };
    const auto dirBack = [](AnnsRun& r) { fs::rename(r.drive.path("elsewhere"), r.drive.path("tarnholm")); };
    const auto huge = [](const char* nbr) {
        return std::function<void(AnnsRun&)>([nbr](AnnsRun& r) { r.state.assignmentNbr = nbr; });
    };
    const auto back = [](AnnsRun& r) { r.state.assignmentNbr = "001"; };
#ifdef _WIN32
    // Another program holds the file open and shares no writing.
    const auto hold = [](fs::path (AnnsRun::*file)() const) {
        return std::function<void(AnnsRun&)>([file](AnnsRun& r) { r.inUse.emplace((r.*file)()); });
    };
    const auto letGo = [](AnnsRun& r) { r.inUse.reset(); };
#endif
    const auto [masterDir, unMasterDir] = replace(&AnnsRun::masterPath, directory);
    const auto [sendDir, unSendDir] = replace(&AnnsRun::sendPath, directory);
    const auto [notesDir, unNotesDir] = replace(&AnnsRun::notesPath, directory);
    const Case cases[] = {
        {"no data directory", false, err::PathNotFound, noDir, dirBack},
        {"no data directory, note", true, err::PathNotFound, noDir, dirBack},
        {"master cannot be opened", false, err::PathFileAccess, masterDir, unMasterDir},
        {"send cannot be opened", false, err::PathFileAccess, sendDir, unSendDir},
        {"send cannot be opened, note", true, err::PathFileAccess, sendDir, unSendDir},
        {"notes cannot be opened", true, err::PathFileAccess, notesDir, unNotesDir},
        {"send file full", false, err::DiskFull, fill(&AnnsRun::sendPath), unfill},
        {"send file full, note", true, err::DiskFull, fill(&AnnsRun::sendPath), unfill},
        {"notes file full", true, err::DiskFull, fill(&AnnsRun::notesPath), unfill},
        {"master file full", false, err::DiskFull, fill(&AnnsRun::masterPath), unfill},
        {"assignment number overflows", false, err::Overflow, huge("1e999"), back},
        {"question number overflows", false, err::Overflow, huge("1e305"), back},
#ifdef _WIN32
        {"master file in use", false, err::PermissionDenied, hold(&AnnsRun::masterPath), letGo},
        {"send file in use", false, err::PermissionDenied, hold(&AnnsRun::sendPath), letGo},
        {"send file in use, note", true, err::PermissionDenied, hold(&AnnsRun::sendPath), letGo},
        {"notes file in use", true, err::PermissionDenied, hold(&AnnsRun::notesPath), letGo},
#endif
    };
    for (const Case& c : cases) {
        AnnsRun run;
        run.drill.nextQuestion();
        run.box(TextBox::Answer) = "My careful answer";
        const std::string transcript = run.state.cumulativeText;
        c.breakIt(run);
        const std::string master = run.master(), send = run.send(), notes = run.notes();
        try {
            c.note ? run.drill.saveAsNotes() : run.drill.enterResponse();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), c.error) << c.what;
        }
        EXPECT_EQ(run.master(), master) << c.what;
        EXPECT_EQ(run.send(), send) << c.what;
        EXPECT_EQ(run.notes(), notes) << c.what;
        EXPECT_EQ(run.box(TextBox::Answer), "My careful answer") << c.what;
        EXPECT_EQ(run.box(TextBox::Question), kLine3) << c.what;
        EXPECT_EQ(run.state.cumulativeText, transcript) << c.what;
        EXPECT_FALSE(run.anyChannelOpen()) << c.what;
        // The next question does not put the prompt over the answer.
        run.drill.nextQuestion();
        EXPECT_EQ(run.box(TextBox::Answer), "My careful answer") << c.what;
        c.mendIt(run);

        // Once the cause is gone the same text records, once.
        const std::size_t masterBefore = run.master().size();
        c.note ? run.drill.saveAsNotes() : run.drill.enterResponse();
        EXPECT_EQ(run.box(TextBox::Answer), "") << c.what;
        EXPECT_EQ(run.state.cumulativeText,
                  kAns + (c.note ? "NOTES -------> " : "") + "My careful answer" + kQa + kLine5 + transcript)
            << c.what;
        const std::string added = run.master().substr(masterBefore);
        EXPECT_EQ(added.find("My careful answer"), added.rfind("My careful answer")) << c.what;
        EXPECT_NE(added.find(kLine5 + "\r\n"), std::string::npos) << c.what;
    }
}

// The query-file encoder leaves channels 1 and 2 open; a recording that then
// cannot open them keeps their lines for whoever closes them.
TEST(Recording, AChannelLeftOpenKeepsWhatItHolds) {
    AnnsRun run;
    testing::writeFile(run.home("query.txt"), "Query 1first\r\nplain\r\n");
    run.drill.codeFile();
    run.box(TextBox::Answer) = "kept";
    try {
        run.drill.enterResponse();
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::FileAlreadyOpen);
    }
    EXPECT_EQ(run.box(TextBox::Answer), "kept");
    run.files->closeAll();
    EXPECT_EQ(testing::readFile(run.home("queri.txt")), "firstquery\r\nplain\r\n");
}

TEST(DisplayNotes, AddsResponseTextAndTheNotesRunTogether) {
    AnnsRun run;
    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "first note";
    run.drill.saveAsNotes();
    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "second note";
    run.drill.saveAsNotes();
    std::string n = run.notes();
    for (std::size_t p; (p = n.find("\r\n")) != std::string::npos;) n.erase(p, 2);
    // The seven blanks after the first dot rule stay between the two blocks.
    EXPECT_NE(n.find(kDots + "       " + kBang), std::string::npos);

    const std::string b = "B-text", r = run.state.responseText;
    EXPECT_EQ(r, "NOTES -------> second note");
    run.box(TextBox::Question) = b;
    run.drill.displayNotes();
    EXPECT_EQ(run.box(TextBox::Question), b + r + n);
    run.drill.displayNotes();
    EXPECT_EQ(run.box(TextBox::Question), b + r + n + r + n + n);
    EXPECT_EQ(run.state.responseText, r + n + n);
    EXPECT_FALSE(run.anyChannelOpen());
}

TEST(DisplayNotes, RightAfterAQuestionShowsTheBoxTwice) {
    AnnsRun run;
    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "n";
    run.drill.saveAsNotes();
    std::string n = run.notes();
    for (std::size_t p; (p = n.find("\r\n")) != std::string::npos;) n.erase(p, 2);
    run.drill.nextQuestion();
    run.drill.displayNotes();
    EXPECT_EQ(run.box(TextBox::Question), kLine5 + kLine5 + n);
}

TEST(DisplayNotes, EmptyMissingAndUnreadableFiles) {
    {
        AnnsRun run;
        run.drill.nextQuestion();
        testing::writeFile(run.notesPath(), "");
        run.drill.displayNotes();
        EXPECT_EQ(run.box(TextBox::Question), kLine3 + kLine3);
    }
    {
        AnnsRun run;
        run.drill.nextQuestion();
        run.drill.displayNotes();  // no note saved yet
        EXPECT_EQ(run.box(TextBox::Question), kLine3);
        EXPECT_EQ(run.state.responseText, kLine3);
        EXPECT_TRUE(run.toolkit.messages.empty());
        EXPECT_FALSE(run.anyChannelOpen());
    }
    {
        AnnsRun run;
        run.drill.nextQuestion();
        fs::create_directory(run.notesPath());
        try {
            run.drill.displayNotes();
            ADD_FAILURE() << "a directory read as notes";
        } catch (const RuntimeError& e) {
            EXPECT_NE(e.number(), err::FileNotFound);
        }
        EXPECT_EQ(run.box(TextBox::Question), kLine3);
        EXPECT_EQ(run.state.responseText, kLine3);
        EXPECT_FALSE(run.anyChannelOpen());
    }
}

TEST(DisplayEverything, ShowsTheTranscriptNewestFirst) {
    AnnsRun run;
    run.box(TextBox::Question) = "something";
    run.drill.displayEverything();
    EXPECT_EQ(run.box(TextBox::Question), "");

    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "It drops.\r\nSlowly.";
    run.drill.enterResponse();
    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "see sketch";
    run.drill.saveAsNotes();
    run.box(TextBox::Answer) = "kept";
    run.drill.displayEverything();
    EXPECT_EQ(run.box(TextBox::Question), kAns + "NOTES -------> see sketch" + kQa + kLine5 + kAns +
                                              "It drops.\r\nSlowly." + kQa + kLine3);
    EXPECT_EQ(run.box(TextBox::Answer), "kept");
}

TEST(ClearBox, EmptiesTheAnswerButTheQuestionIsStillOwed) {
    AnnsRun run;
    run.drill.nextQuestion();
    run.box(TextBox::Answer) = "half an answer";
    run.drill.clearBox();
    EXPECT_EQ(run.box(TextBox::Answer), "");
    EXPECT_EQ(run.box(TextBox::Question), kLine3);
    EXPECT_TRUE(run.state.answerPending);
    run.drill.nextQuestion();
    EXPECT_EQ(run.box(TextBox::Answer), run.state.answerPrompt);
}

}  // namespace
}  // namespace drill
