#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "drill/script.h"
#include "drill/start_up.h"
#include "drill/texts.h"
#include "drill_rig.h"
#include "platform/codepage.h"
#include "platform/errors.h"

namespace drill::testing {
namespace {

const std::string kHome = texts::kHomeDir;
const std::string kNet = texts::kNetworkDir;

std::string messageB(int number) { return texts::kMessageB + std::to_string(number); }

TEST(ErrorReport, MessagesHaveTheirExactLengths) {
    EXPECT_EQ(std::strlen(texts::kMessageA), 411u);
    EXPECT_EQ(std::strlen(texts::kMessageB), 237u);
    EXPECT_EQ(std::string(texts::kMessageB).substr(222), "The error is:  ");
}

TEST(ErrorReport, NineEndsTheProgramOthersShowTheirNumber) {
    DrillRig rig;
    EXPECT_THROW(rig.drill.reportError(9), EndProgram);
    for (int number : {5, 13, 53, 76}) EXPECT_NO_THROW(rig.drill.reportError(number));
    EXPECT_EQ(rig.toolkit.messages, (std::vector<std::string>{texts::kMessageA, messageB(5), messageB(13),
                                                              messageB(53), messageB(76)}));
    EXPECT_EQ(rig.toolkit.captions, std::vector<std::string>(5, "Assignment Drill"));
}

struct PlaceCase {
    std::string answer;
    std::string dataDir;  // empty: start-up stops with `error`
    int error = 0;
};

class PlaceOfWork : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceOfWork, ChoosesTheDataDirectoryOrStops) {
    const PlaceCase& c = GetParam();
    DrillRig rig;
    rig.toolkit.answers = {c.answer, "Ann Lee", "AML", "1"};
    startUp(rig.session);
    const FormState& s = rig.state;
    EXPECT_EQ(s.dataDir, c.dataDir);
    if (c.error == 0) {
        EXPECT_TRUE(rig.toolkit.messages.empty());
        EXPECT_EQ(s.masterFileName, c.dataDir + "\\masterFile_Ann_Lee.txt");
        EXPECT_EQ(s.scriptIndex, 7);
    } else {
        EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{messageB(c.error)});
        EXPECT_EQ(rig.toolkit.prompts.size(), 1u);  // nothing further is asked
        EXPECT_EQ(s.studentName, "");
        EXPECT_EQ(s.scriptIndex, 0);
        EXPECT_EQ(s.scriptLines[1], "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PlaceOfWork,
    ::testing::Values(PlaceCase{"2", kNet}, PlaceCase{" 2 ", kNet}, PlaceCase{"2.0", kNet}, PlaceCase{"02", kNet},
                      PlaceCase{"+2", kNet}, PlaceCase{"0.2e1", kNet}, PlaceCase{"1", kHome}, PlaceCase{"3", kHome},
                      PlaceCase{"0", kHome}, PlaceCase{"-2", kHome}, PlaceCase{"2.5", kHome},
                      PlaceCase{"1e-999", kHome}, PlaceCase{"", "", 13}, PlaceCase{"   ", "", 13},
                      PlaceCase{"two", "", 13}, PlaceCase{"12x", "", 13}, PlaceCase{"1 2", "", 13},
                      PlaceCase{"2e", "", 13}, PlaceCase{".", "", 13}, PlaceCase{"-", "", 13},
                      PlaceCase{"1e999", "", 6}));

TEST(StartUp, AsksInOrderWithTheProgramCaptionAndSetsTheFixedTexts) {
    DrillRig rig;
    rig.toolkit.answers = {"1", "Ann Lee", "AML", "1"};
    rig.random.draws = {0.5f};
    startUp(rig.session);
    const FormState& s = rig.state;
    EXPECT_EQ(rig.toolkit.prompts, (std::vector<std::string>{texts::kPrompt1, texts::kPrompt2, texts::kPrompt3,
                                                             texts::kPrompt4}));
    EXPECT_EQ(rig.toolkit.captions, std::vector<std::string>(4, "Assignment Drill"));
    EXPECT_EQ(rig.random.seeds, std::vector<double>{38250.5});
    EXPECT_EQ(s.codeNbr, 24.0f);
    for (Panel p : {Panel::Picture1, Panel::Picture2})
        EXPECT_EQ(rig.toolkit.scales[p], (std::pair<double, double>{1000, 1000}));
    EXPECT_EQ(s.answerPrompt, std::string(texts::kInstruction1) + "\r\n\r\n" + texts::kInstruction2);
    EXPECT_EQ(s.qaSeparator, " <-<-<-<-  Q/A:   ");
    EXPECT_EQ(s.answerSeparator, " YOUR ANSWER  ->->->->  ");
    EXPECT_EQ(s.studentName, "Ann Lee");
    EXPECT_EQ(s.initials, "AML");
    EXPECT_TRUE(std::filesystem::is_directory(rig.home("")));
}

TEST(StartUp, KeyIsTheWholePartOfTenDrawsPlusNineteen) {
    for (auto [draw, key] : std::vector<std::pair<float, float>>{
             {0.0f, 19}, {0.09999f, 19}, {0.1f, 20}, {0.5f, 24}, {0.95f, 28}, {0.99999994f, 28}}) {
        DrillRig rig;
        rig.random.draws = {draw};
        startUp(rig.session);
        EXPECT_EQ(rig.state.codeNbr, key) << draw;
    }
}

TEST(StartUp, HomeDirectoryThatExistsOrCannotBeMadeIsNoError) {
    DrillRig present;
    std::filesystem::create_directory(present.home(""));
    present.toolkit.answers = {"1", "A", "B", "1"};
    startUp(present.session);
    EXPECT_TRUE(present.toolkit.messages.empty());

    DrillRig missing;
    testing::setEnvironment("DRILL_DRIVE_C", (missing.drive.root / "no" / "such").string());
    missing.toolkit.answers = {"1", "A", "B", "1"};
    startUp(missing.session);
    EXPECT_TRUE(missing.toolkit.messages.empty());
    EXPECT_EQ(missing.state.scriptIndex, 7);
}

struct NameCase {
    std::string name;
    std::string part;
};

class NamePart : public ::testing::TestWithParam<NameCase> {};

// Whatever the name, the three files a run and a note make are these, in the
// data directory, and nothing else is made anywhere: names that Windows
// treats specially (CON, NUL, aux, a trailing point, ~1 like a short name)
// stand inside ordinary file names there.
TEST_P(NamePart, GoesIntoAllThreeFileNamesWhileTheNameStaysAsTyped) {
    DrillRig rig;
    rig.toolkit.answers = {"1", GetParam().name, "X", "1"};
    rig.drill.load();
    const FormState& s = rig.state;
    const std::string& n = GetParam().part;
    EXPECT_EQ(s.studentName, GetParam().name);
    EXPECT_EQ(s.masterFileName, "c:\\tarnholm\\masterFile_" + n + ".txt");
    EXPECT_EQ(s.sendFileName, "c:\\tarnholm\\send_1207" + n + ".txt");
    EXPECT_EQ(s.notesFileName, "c:\\tarnholm\\notes_" + n + ".txt");
    rig.drill.saveAsNotes();
    EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{}) << "the note was not saved";
    std::set<std::string> made;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(rig.drive.root)) {
        const std::u8string name = entry.path().lexically_relative(rig.drive.root).generic_u8string();
        made.insert(std::string(name.begin(), name.end()));
    }
    const std::string utf8 = cp1252::toUtf8(n);
    const std::set<std::string> expected = {"tarnholm", "tarnholm/masterFile_" + utf8 + ".txt",
                                            "tarnholm/send_1207" + utf8 + ".txt", "tarnholm/notes_" + utf8 + ".txt"};
    EXPECT_EQ(made, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NamePart,
    ::testing::Values(NameCase{"Ann Lee", "Ann_Lee"}, NameCase{"Ann  Lee", "Ann__Lee"}, NameCase{"", ""},
                      NameCase{" ann lEE ", "_ann_lEE_"}, NameCase{"Zo\xEB O'Neil-Smith", "Zo\xEB_O'Neil-Smith"},
                      NameCase{"..\\..\\x", ".._.._x"}, NameCase{"../etc/x", ".._etc_x"},
                      NameCase{"a:b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
                      NameCase{std::string("t\tn\r\n\x7f\x01", 8), "t_n_____"}, NameCase{"CON", "CON"},
                      NameCase{"NUL", "NUL"}, NameCase{"aux", "aux"}, NameCase{"COM1", "COM1"},
                      NameCase{"Ann.", "Ann."}, NameCase{"~1", "~1"}));

TEST(StartUp, SendFileCarriesMonthAndDay) {
    DrillRig rig;
    rig.clock.date = "01-03-2027";
    rig.toolkit.answers = {"2", "Bo", "B", "1"};
    startUp(rig.session);
    EXPECT_EQ(rig.state.sendFileName, kNet + "\\send_0103Bo.txt");
}

struct AssignmentCase {
    std::string typed, number, next;
};

class AssignmentNumber : public ::testing::TestWithParam<AssignmentCase> {};

TEST_P(AssignmentNumber, IsLeftFilledAndFollowedByTheNextOne) {
    DrillRig rig;
    rig.toolkit.answers = {"1", "Ann", "A", GetParam().typed};
    startUp(rig.session);
    EXPECT_EQ(rig.state.assignmentNbr, GetParam().number);
    EXPECT_EQ(rig.state.nextAssignmentNbr, GetParam().next);
    EXPECT_TRUE(rig.toolkit.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Typed, AssignmentNumber,
    ::testing::Values(AssignmentCase{"1", "001", "002"}, AssignmentCase{"01", "001", "002"},
                      AssignmentCase{"001", "001", "002"}, AssignmentCase{"7", "007", "008"},
                      AssignmentCase{"12", "012", "013"}, AssignmentCase{"99", "099", "100"},
                      AssignmentCase{"999", "999", "1000"}, AssignmentCase{"0001", "0001", "002"},
                      AssignmentCase{"", "", "001"}, AssignmentCase{"abc", "abc", "001"},
                      AssignmentCase{"a", "00a", "001"}, AssignmentCase{" 7", "0 7", "008"},
                      AssignmentCase{"1 ", "01 ", "002"}, AssignmentCase{"-5", "0-5", "001"},
                      AssignmentCase{"1.5", "1.5", "2.5"}));

TEST(StartUp, AssignmentTooLargeForANumberStopsWithOverflow) {
    DrillRig rig;
    rig.toolkit.answers = {"1", "Ann", "A", "1e999"};
    startUp(rig.session);
    EXPECT_EQ(rig.toolkit.messages, std::vector<std::string>{messageB(6)});
    EXPECT_EQ(rig.state.nextAssignmentNbr, "");
    EXPECT_EQ(rig.state.scriptLines[1], "");
}

TEST(Script, HoldsSevenEntriesAtOneToSeven) {
    DrillRig rig;
    rig.toolkit.answers = {"1", "Ann", "A", "5"};
    startUp(rig.session);
    const FormState& s = rig.state;
    EXPECT_EQ(s.scriptIndex, 7);
    EXPECT_EQ(s.scriptLines[1], "001.  Part A");
    const std::vector<std::size_t> lengths{0, 12, 0, 365, 0, 169, 0, 119};
    for (std::size_t i = 0; i < s.scriptLines.size(); ++i)
        ASSERT_EQ(s.scriptLines[i].size(), i < lengths.size() ? lengths[i] : 0u) << i;
    EXPECT_EQ(s.scriptLines[7].substr(0, 23), "Go do the experiment  M");
}

TEST(Script, AnIndexPastTheLastSlotIsError9) {
    DrillRig rig;
    rig.state.scriptIndex = 4997;
    try {
        loadScript(rig.state);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(rig.state.scriptLines[4998], "001.  Part A");
    EXPECT_EQ(rig.state.scriptLines[5000].size(), 365u);
}

}  // namespace
}  // namespace drill::testing
