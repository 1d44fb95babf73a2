// Routine lines, the picture panels and the experiment display.
#include <gtest/gtest.h>

#include <map>

#include "drill/script.h"
#include "drill_rig.h"
#include "pictures/routines.h"
#include "platform/errors.h"

namespace drill {
namespace {

using testing::DrillRig;

TEST(RoutineLine, RecognisedByTheLowerCasedMarker) {
    const struct { const char* line; bool routine; } cases[] = {
        {"`routine graph1", true},
        {"`ROUTINE Graph 1", true},
        {"`RoUtInE", true},           // exactly the marker
        {"`routin", false},           // shorter than the marker
        {"routine graph1", false},    // no backtick
        {" `routine graph1", false},  // the marker must start the line
        {"'routine graph1", false},   // apostrophe, not backtick
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isRoutineLine(c.line), c.routine) << c.line;
}

TEST(RoutineLine, NameIsCleanedFromTheTenthCharacter) {
    const struct { const char* line; const char* name; } cases[] = {
        {"`routine graph1", "graph1"},
        {"`ROUTINE Graph 1", "graph1"},
        {"`routine exit-prog", "exitprog"},
        {"`routineXgraph3", "graph3"},   // the ninth character is skipped whatever it is
        {"`routine  graph2", "graph2"},  // a second blank is part of the name, then removed
        {"`routine \tgraph2", "\tgraph2"},  // only blanks and hyphens go
        {"`routine ", ""},
        {"`routine", ""},
        {"`routine - -", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(routineName(c.line), c.name) << c.line;
}

TEST(RunRoutine, OnlyTheGraphNamesLetTheProgramGoOn) {
    const struct { const char* name; bool ends; } cases[] = {
        {"graph1", false}, {"graph2", false}, {"graph3", false}, {"GRAPH3", false},
        {"exitprog", true}, {"EXITPROG", true}, {"", true}, {"graph4", true},
        {" graph1", true},  // runRoutine itself removes no blanks
        {"graph1 ", true},
    };
    for (const auto& c : cases) {
        DrillRig rig;
        if (c.ends) {
            EXPECT_THROW(rig.drill.runRoutine(c.name), EndProgram) << c.name;
        } else {
            EXPECT_NO_THROW(rig.drill.runRoutine(c.name)) << c.name;
        }
    }
}

TEST(NextPicture, ActsOnRoutineLinesJustAhead) {
    const struct {
        const char* what;
        long start;
        std::map<long, std::string> lines;
        long index;  // scriptIndex afterwards
        bool ends;
    } cases[] = {
        {"no routine line", 10, {{11, "text"}, {12, "more"}}, 10, false},
        {"graph2 at +1, plain at +2", 10, {{11, "`routine graph2"}, {12, "plain"}}, 11, false},
        {"+1 moves the second pass to +3", 10, {{11, "`routine graph2"}, {13, "`routine graph3"}}, 13, false},
        {"+2 is skipped after +1", 10, {{11, "`routine graph1"}, {12, "`routine graph1"}}, 11, false},
        {"+2 skipped, +3 acted on", 10,
         {{11, "`routine graph1"}, {12, "`routine graph1"}, {13, "`routine graph1"}}, 13, false},
        {"only at +2", 10, {{12, "`routine graph3"}}, 12, false},
        {"capitals, blank in the name", 10, {{11, "`ROUTINE Graph 1"}}, 11, false},
        {"exit-prog", 10, {{11, "`routine exit-prog"}}, 10, true},
        {"marker alone", 10, {{11, "`routine"}}, 10, true},
        {"marker and one character", 10, {{12, "`routine "}}, 10, true},
        {"graph4 at +2", 10, {{12, "`routine graph4"}}, 10, true},
        {"past the end counts as no routine line", 4999, {{5000, "`routine graph1"}}, 5000, false},
        {"at the last slot", 5000, {}, 5000, false},
    };
    for (const auto& c : cases) {
        DrillRig rig;
        FormState& s = rig.state;
        s.scriptIndex = c.start;
        for (const auto& [i, text] : c.lines) s.scriptLines[static_cast<std::size_t>(i)] = text;
        rig.toolkit.texts[TextBox::Question] = "box";
        if (c.ends) {
            EXPECT_THROW(rig.drill.nextPicture(), EndProgram) << c.what;
        } else {
            EXPECT_NO_THROW(rig.drill.nextPicture()) << c.what;
            EXPECT_EQ(s.scriptIndex, c.index) << c.what;
        }
        // Routine lines are never shown or logged.
        EXPECT_EQ(rig.toolkit.texts[TextBox::Question], "box") << c.what;
        EXPECT_EQ(s.cumulativeText, "") << c.what;
    }
}

TEST(CopyPicture, GoesThroughTheClipboard) {
    DrillRig rig;
    const Picture left{2, 1, {0xFF0000FFu, 0xFF00FF00u}};
    rig.toolkit.pictures[Panel::Picture1] = left;
    rig.drill.copyPicture();
    EXPECT_EQ(rig.toolkit.clipboard, left);
    EXPECT_EQ(rig.toolkit.pictures[Panel::Picture2], left);
    EXPECT_EQ(rig.toolkit.pictures[Panel::Picture1], left);
}

TEST(CopyPicture, AnEmptyPanelCopiesNothing) {
    DrillRig rig;
    const Picture old{1, 1, {0xFFFFFFFFu}};
    rig.toolkit.clipboard = old;
    rig.toolkit.pictures[Panel::Picture2] = old;
    rig.drill.copyPicture();
    EXPECT_EQ(rig.toolkit.clipboard, old);
    EXPECT_EQ(rig.toolkit.pictures[Panel::Picture2], old);
}

TEST(Experiment, NothingBeforeTheButtonThenOneCirclePerTick) {
    DrillRig rig;
    rig.drill.pendExp();
    EXPECT_EQ(rig.toolkit.timerEnables, 1);
    // Nothing happens until the timer ticks.
    EXPECT_EQ(rig.toolkit.beeps, 0);
    EXPECT_EQ(rig.random.drawCount, 0);
    EXPECT_TRUE(rig.toolkit.circles.empty());

    const float draws[] = {0.0f, 0.5f, 0.27f, 0.99999994f};
    rig.random.draws.assign(std::begin(draws), std::end(draws));
    for (float r : draws) {
        const int before = rig.random.drawCount;
        rig.drill.tick();
        EXPECT_EQ(rig.random.drawCount, before + 1);
        const testing::Circle& c = rig.toolkit.circles.back();
        EXPECT_EQ(c.panel, Panel::Picture1);
        EXPECT_EQ(c.x, 500);
        EXPECT_EQ(c.y, 500);
        EXPECT_EQ(c.radius, static_cast<double>(r * 500.0f));
    }
    EXPECT_EQ(rig.toolkit.beeps, 4);
    EXPECT_EQ(rig.toolkit.circles.size(), 4u);
    EXPECT_LT(rig.toolkit.circles.back().radius, 500.0);
}

}  // namespace
}  // namespace drill
