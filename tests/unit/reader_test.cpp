// The question reader and the sentence-at-a-time display, on scripts the
// tests lay out themselves.
#include <gtest/gtest.h>

#include <map>

#include "drill/reader.h"
#include "drill/texts.h"
#include "drill_rig.h"
#include "platform/errors.h"

namespace drill {
namespace {

using testing::DrillRig;

const std::string kQa = texts::kQaSeparator;
constexpr const char* kPrompt = "PROMPT";

// State as start-up and the header writer leave it for assignment 001, with
// the given script lines and the script on its title line.
void layOut(DrillRig& rig, const std::map<long, std::string>& lines, long index = 1) {
    FormState& s = rig.state;
    s.answerPrompt = kPrompt;
    s.qaSeparator = texts::kQaSeparator;
    s.answerSeparator = texts::kAnswerSeparator;
    s.assignmentNbr = "001";
    s.nextAssignmentNbr = "002";
    s.displayMode = 1;
    s.scriptIndex = index;
    for (const auto& [i, text] : lines) s.scriptLines[static_cast<std::size_t>(i)] = text;
}

TEST(ReadNextQuestion, KindsOfLine) {
    const struct {
        const char* line;
        bool pending;  // an answer is owed afterwards
    } cases[] = {
        {"What is x?", true},
        {"`routine graph1", false},
        {"`ROUTINE Graph 1", false},
        {"`routine", false},            // eight characters: still a routine line here
        {"`routin", true},
        {" `routine graph1", true},
        {"00", true},                   // shorter than the next assignment number
        {"003. Part C", true},
        {"001.  Part A", true},         // a title line met while reading is text
    };
    for (const auto& c : cases) {
        DrillRig rig;
        layOut(rig, {{5, c.line}});
        rig.state.cumulativeText = "older";
        rig.drill.readNextQuestion();
        const FormState& s = rig.state;
        EXPECT_EQ(s.questionText, c.line);
        EXPECT_EQ(s.scriptLine, c.line);
        EXPECT_EQ(s.scriptIndex, 5) << "empty slots 2..4 skipped in one call";
        EXPECT_EQ(s.answerPending, c.pending) << c.line;
        EXPECT_EQ(s.cumulativeText, kQa + c.line + "older");
        EXPECT_EQ(s.sentenceStart, 0);
        EXPECT_TRUE(rig.toolkit.messages.empty());
    }
}

TEST(ReadNextQuestion, PromptReplacesTheAnswerOnlyWhenPending) {
    DrillRig rig;
    layOut(rig, {{2, "First"}, {3, "`routine graph1"}, {4, "Third"}});
    rig.toolkit.texts[TextBox::Answer] = "typed";
    rig.drill.readNextQuestion();
    EXPECT_EQ(rig.toolkit.texts[TextBox::Answer], "typed");
    rig.drill.readNextQuestion();  // First was not answered
    EXPECT_EQ(rig.toolkit.texts[TextBox::Answer], kPrompt);
    rig.toolkit.texts[TextBox::Answer] = "typed again";
    rig.drill.readNextQuestion();  // after a routine line nothing is owed
    EXPECT_EQ(rig.toolkit.texts[TextBox::Answer], "typed again");
    EXPECT_EQ(rig.state.questionText, "Third");
}

TEST(ReadNextQuestion, TheNextAssignmentEndsTheDrillAfterLoggingIt) {
    DrillRig rig;
    layOut(rig, {{2, "Question"}, {4, "002.  Part B"}});
    rig.drill.readNextQuestion();
    EXPECT_THROW(rig.drill.readNextQuestion(), EndProgram);
    EXPECT_EQ(rig.state.cumulativeText, kQa + "002.  Part B" + kQa + "Question");
    EXPECT_TRUE(rig.toolkit.messages.empty());
}

TEST(ReadNextQuestion, LastSlotIsReadableThenMessageAEnds) {
    DrillRig rig;
    layOut(rig, {{5000, "Last"}}, 4999);
    rig.drill.readNextQuestion();
    EXPECT_EQ(rig.state.questionText, "Last");
    EXPECT_EQ(rig.state.scriptIndex, 5000);

    EXPECT_THROW(rig.drill.readNextQuestion(), EndProgram);
    ASSERT_EQ(rig.toolkit.messages.size(), 1u);
    EXPECT_EQ(rig.toolkit.messages[0], texts::kMessageA);
    // What the reader did before the failure stays done.
    EXPECT_FALSE(rig.state.answerPending);
    EXPECT_EQ(rig.toolkit.texts[TextBox::Answer], kPrompt);
    EXPECT_EQ(rig.state.questionText, "Last");
}

TEST(ReadNextQuestion, OtherDisplayModesLeaveTheTextAlone) {
    DrillRig rig;
    layOut(rig, {{2, "Line"}});
    rig.state.displayMode = 0;
    rig.state.questionText = "old";
    rig.drill.readNextQuestion();
    EXPECT_EQ(rig.state.questionText, "old");
    EXPECT_EQ(rig.state.scriptIndex, 2);
    EXPECT_EQ(rig.state.cumulativeText, kQa + "Line");
}

TEST(NextSentence, CutsAtFullStopAndBlank) {
    const struct {
        const char* line;        // handed in
        long start;              // sentenceStart before
        const char* scriptLine;  // the line in progress
        const char* piece;
        long nextStart;
        bool pending;
    } cases[] = {
        {"One. Two. Three", 0, "", "One. ", 6, false},
        {"", 6, "One. Two. Three", "Two. ", 11, false},
        {"", 11, "One. Two. Three", "Three", 0, true},
        {"One. Two. ", 0, "", "One. ", 6, false},
        {"", 6, "One. Two. ", "Two. ", 0, true},        // ". " at the very end: last piece
        {"No stop here", 0, "", "No stop here", 0, true},
        {"Dr.Who. X", 0, "", "Dr.Who. ", 9, false},     // a point without a blank goes on
        {"End.", 0, "", "End.", 0, true},
        {"`routine a. b", 0, "", "`routine a. ", 13, false},
        {"", 13, "`routine a. b", "b", 0, false},       // a routine line owes no answer
        {"", 40, "Short. ", "", 0, true},               // a start beyond the line ends it
    };
    for (const auto& c : cases) {
        DrillRig rig;
        FormState& s = rig.state;
        s.sentenceStart = c.start;
        s.scriptLine = c.scriptLine;
        s.answerPending = !c.pending;
        EXPECT_EQ(nextSentence(rig.state, c.line), c.piece) << c.line << "|" << c.scriptLine;
        EXPECT_EQ(s.sentenceStart, c.nextStart) << c.line << "|" << c.scriptLine;
        EXPECT_EQ(s.answerPending, c.pending) << c.line << "|" << c.scriptLine;
    }
}

TEST(NextSentence, TheReaderStepsThroughALineThenReadsOn) {
    DrillRig rig;
    layOut(rig, {{2, "One. Two. Three"}, {4, "Next. "}});
    rig.state.displayMode = 2;
    const struct { const char* text; long index; bool pending; } steps[] = {
        {"One. ", 2, false}, {"Two. ", 2, false}, {"Three", 2, true}, {"Next. ", 4, true},
    };
    for (const auto& step : steps) {
        rig.toolkit.texts[TextBox::Answer] = "typed";
        rig.drill.readNextQuestion();
        EXPECT_EQ(rig.state.questionText, step.text);
        EXPECT_EQ(rig.state.scriptIndex, step.index);
        EXPECT_EQ(rig.state.answerPending, step.pending);
    }
    // The prompt came back only once the whole line had been shown.
    EXPECT_EQ(rig.toolkit.texts[TextBox::Answer], kPrompt);
    // Each line is logged once, however many pieces it is shown in.
    EXPECT_EQ(rig.state.cumulativeText, kQa + "Next. " + kQa + "One. Two. Three");
}

TEST(NextSentence, TheQuestionBoxCollectsTheWholeLine) {
    DrillRig rig;
    layOut(rig, {{2, "One. Two. Three"}});
    rig.state.displayMode = 2;
    for (int i = 0; i < 3; ++i) rig.drill.nextQuestion();
    EXPECT_EQ(rig.toolkit.texts[TextBox::Question], "One. Two. Three");
    EXPECT_EQ(rig.toolkit.texts[TextBox::Answer], " ");
}

}  // namespace
}  // namespace drill
