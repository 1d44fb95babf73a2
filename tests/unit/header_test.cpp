#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drill/header.h"
#include "drill/texts.h"
#include "drill_rig.h"
#include "faults.h"
#include "platform/codepage.h"
#include "platform/errors.h"

namespace drill::testing {
namespace {

namespace fs = std::filesystem;

// Draws for the key (19) and a cover line with one filler: "B", then code 255,
// then 18 times code 186 (0.5 * 137 + 118 = 186.5 goes to the even neighbour).
const std::deque<float> kDraws{0.0f, 0.05f, 0.0f, 0.99999994f, 0.5f};
const std::string kCover = "B\xFF" + std::string(18, '\xBA');

std::string block(const std::string& name, const std::string& number, const std::string& initials,
                  const std::string& dateTime) {
    return kCover + "\r\nStudent Name:  " + name + "\r\nassignment #" + number + "\r\n001.  Part A\r\nInitials:  " +
           initials + "\r\nDate and Time " + dateTime + "\r\n";
}
const std::string kMasterBlock = block("Ann Lee", "001", "AML", "12-07-202610:37:30");
const std::string kSendBlock = block("Ann Lee", "001", "AML", "12-07-2026 10:37:30");

std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    return names;
}

struct BlockCase {
    std::string name, initials, typed;
    std::string file;  // name part of the file names, in the code page
};

class HeaderBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(HeaderBlock, IsAppendedByteForByteToMasterAndSendFile) {
    const BlockCase& c = GetParam();
    DrillRig rig;
    rig.random.draws = kDraws;
    rig.loadAs(c.name, c.initials, c.typed);
    EXPECT_TRUE(rig.toolkit.messages.empty());
    EXPECT_EQ(readFile(rig.home(cp1252::toUtf8("masterFile_" + c.file + ".txt"))),
              block(c.name, "001", c.initials, "12-07-202610:37:30"));
    EXPECT_EQ(readFile(rig.home(cp1252::toUtf8("send_1207" + c.file + ".txt"))),
              block(c.name, "001", c.initials, "12-07-2026 10:37:30"));
    EXPECT_EQ(rig.state.scriptIndex, 1);
    EXPECT_EQ(rig.state.displayMode, 1);
    EXPECT_FALSE(rig.files->isOpen(kMasterChannel));
    EXPECT_FALSE(rig.files->isOpen(kSendChannel));
}

INSTANTIATE_TEST_SUITE_P(Students, HeaderBlock,
                         ::testing::Values(BlockCase{"Ann Lee", "AML", "1", "Ann_Lee"},
                                           BlockCase{"", "", "01", ""},
                                           BlockCase{"Zo\xEB a/b", "z\x80", "001", "Zo\xEB_a_b"}));

TEST(Header, SecondRunAppendsAndNextDayStartsANewSendFile) {
    DrillRig rig;
    rig.random.draws = kDraws;
    rig.loadAs("Ann Lee", "AML", "1");
    FormState secondState;
    Drill second{drill::Session{rig.toolkit, *rig.files, rig.clock, rig.random, secondState}};
    rig.random.draws = kDraws;
    rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
    second.load();
    FormState nextDayState;
    Drill nextDay{drill::Session{rig.toolkit, *rig.files, rig.clock, rig.random, nextDayState}};
    rig.random.draws = kDraws;
    rig.clock.date = "12-08-2026";
    rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
    nextDay.load();

    EXPECT_EQ(readFile(rig.home("masterFile_Ann_Lee.txt")),
              kMasterBlock + kMasterBlock + block("Ann Lee", "001", "AML", "12-08-202610:37:30"));
    EXPECT_EQ(readFile(rig.home("send_1207Ann_Lee.txt")), kSendBlock + kSendBlock);
    EXPECT_EQ(readFile(rig.home("send_1208Ann_Lee.txt")), block("Ann Lee", "001", "AML", "12-08-2026 10:37:30"));
}

TEST(Header, CoverLineContinuesAnOpenNotesLine) {
    DrillRig rig;
    fs::create_directory(rig.home(""));
    const std::string before = "notes\r\nmy note\r\n       ";
    writeFile(rig.home("send_1207Ann_Lee.txt"), before);
    rig.random.draws = kDraws;
    rig.loadAs("Ann Lee", "AML", "1");
    EXPECT_EQ(readFile(rig.home("send_1207Ann_Lee.txt")), before + kSendBlock);
}

// The clock moves on between the two blocks; each block reads it afresh.
class TickingClock : public FakeClock {
public:
    std::string timeText() override { return timeReads++ == 0 ? "23:59:59" : "00:00:00"; }
    std::string dateText() override { return dateReads++ < 2 ? "12-07-2026" : "12-08-2026"; }
};

TEST(Header, EachBlockReadsDateAndTimeAfresh) {
    DrillRig rig;
    TickingClock clock;
    FormState drillState;
    Drill drill{drill::Session{rig.toolkit, *rig.files, clock, rig.random, drillState}};
    rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
    drill.load();  // start-up reads the date once, for the send file name
    EXPECT_NE(readFile(rig.home("masterFile_Ann_Lee.txt")).find("Date and Time 12-07-202623:59:59\r\n"),
              std::string::npos);
    EXPECT_NE(readFile(rig.home("send_1207Ann_Lee.txt")).find("Date and Time 12-08-2026 00:00:00\r\n"),
              std::string::npos);
    EXPECT_EQ(clock.dateReads, 3);
    EXPECT_EQ(clock.timeReads, 2);
}

TEST(Header, AssignmentNotInTheScriptEndsTheProgramAndTouchesNoFile) {
    for (const std::string typed : {"2", "1 ", "", "abc", "0001", "1.0", "002"}) {
        DrillRig rig;
        fs::create_directory(rig.home(""));
        writeFile(rig.home("masterFile_Ann_Lee.txt"), "old\r\n");
        rig.toolkit.answers = {"1", "Ann Lee", "AML", typed};
        EXPECT_THROW(rig.drill.load(), EndProgram) << typed;
        EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{texts::kMessageA}) << typed;
        EXPECT_EQ(filesIn(rig.home("")), std::vector<std::string>{"masterFile_Ann_Lee.txt"}) << typed;
        EXPECT_EQ(readFile(rig.home("masterFile_Ann_Lee.txt")), "old\r\n") << typed;
    }
}

TEST(Header, FirstAnswerNotANumberReportsBothMessagesAndWritesNothing) {
    DrillRig rig;
    rig.toolkit.answers = {"two", "Ann Lee", "AML", "1"};
    EXPECT_THROW(rig.drill.load(), EndProgram);
    EXPECT_EQ(rig.toolkit.messages,
              (std::vector<std::string>{texts::kMessageB + std::string("13"), texts::kMessageA}));
    EXPECT_TRUE(filesIn(rig.home("")).empty());
}

TEST(Header, AbsentNetworkDriveIsReportedAndTheWindowStillOpens) {
    DrillRig rig;
    rig.toolkit.answers = {"2", "Ann Lee", "AML", "1"};
    EXPECT_NO_THROW(rig.drill.load());
    EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{texts::kMessageB + std::string("76")});
    EXPECT_TRUE(filesIn(rig.home("")).empty());
    EXPECT_EQ(rig.state.scriptIndex, 1);
}

TEST(Header, SendFileThatCannotBeOpenedLeavesTheMasterWithoutTheBlock) {
    for (const std::string existing : {"", "old\r\n"}) {
        DrillRig rig;
        fs::create_directories(rig.home("send_1207Ann_Lee.txt"));  // a directory cannot be appended to
        if (!existing.empty()) writeFile(rig.home("masterFile_Ann_Lee.txt"), existing);
        rig.loadAs("Ann Lee", "AML", "1");
        EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{texts::kMessageB + std::string("75")});
        ASSERT_TRUE(fs::exists(rig.home("masterFile_Ann_Lee.txt")));
        EXPECT_EQ(readFile(rig.home("masterFile_Ann_Lee.txt")), existing);
        EXPECT_FALSE(rig.files->isOpen(kMasterChannel));  // free for the recording commands
    }
}

// A file that is full when the header comes: the other file gets nothing
// either, and the next start writes the header once into each.
TEST(Header, AWriteFailureLeavesBothFilesAsTheyWere) {
    for (const char* full : {"masterFile_Ann_Lee.txt", "send_1207Ann_Lee.txt"}) {
        DrillRig rig;
        fs::create_directory(rig.home(""));
        writeFile(rig.home("masterFile_Ann_Lee.txt"), "an earlier run\r\n");
        fillTo(rig.home(full), 4096);
        const std::string master = readFile(rig.home("masterFile_Ann_Lee.txt"));
        const std::string send = readFile(rig.home("send_1207Ann_Lee.txt"));
        {
            testing::SizeLimit limit(rig.disk, 4096);
            rig.random.draws = kDraws;
            rig.loadAs("Ann Lee", "AML", "1");
        }
        EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{texts::kMessageB + std::string("61")}) << full;
        EXPECT_FALSE(rig.files->isOpen(kMasterChannel));
        EXPECT_FALSE(rig.files->isOpen(kSendChannel));
        EXPECT_EQ(readFile(rig.home("masterFile_Ann_Lee.txt")), master) << full;
        EXPECT_EQ(readFile(rig.home("send_1207Ann_Lee.txt")), send) << full;

        FormState againState;
        Drill again{drill::Session{rig.toolkit, *rig.files, rig.clock, rig.random, againState}};
        rig.random.draws = kDraws;
        rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
        again.load();
        EXPECT_EQ(readFile(rig.home("masterFile_Ann_Lee.txt")), master + kMasterBlock) << full;
        EXPECT_EQ(readFile(rig.home("send_1207Ann_Lee.txt")), send + kSendBlock) << full;
    }
}

}  // namespace
}  // namespace drill::testing
