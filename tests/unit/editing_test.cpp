// The editing core of the big boxes, without a window: the table of what the
// boxes do, run with each platform's conventions, and what only the core
// shows (layout after edits, the history's bounds, a failed edit).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editing_cases.h"
#include "window/editing/text_editor.h"

namespace drill::editing {
namespace {

using drill::testing::EditingCase;
using drill::testing::Spot;
using drill::testing::Step;

// Every character 7 units wide, lines 10 pixels high, in a view 20 lines
// high that wraps at 200 units.
class FakeHost : public EditorHost {
public:
    FakeHost() {
        metrics_.widths.advance.fill(7);
        metrics_.widths.tabStop = 56;
        metrics_.lineHeight = 10;
    }
    const Metrics& metrics() override { return metrics_; }
    Coord wrapWidth() override { return width; }
    int viewHeight() override { return 200; }
    void textChanged(const TextChange& change) override { changes.push_back(change.at); }
    void selectionChanged() override {}
    void scrolled() override {}
    std::string clipboardText() override { return clipboard; }
    void setClipboardText(std::string_view text) override { clipboard = text; }

    Coord width = 200;
    std::string clipboard;
    std::vector<std::size_t> changes;

private:
    Metrics metrics_;
};

struct Core {
    FakeHost host;
    TextEditor editor;
    explicit Core(const Conventions& c) : editor(host, c) {}

    // The pixel a spot stands for.
    std::pair<Coord, int> point(const Spot& s) {
        const std::size_t line = editor.lineOf(s.at);
        const int y = static_cast<int>(editor.lineY(line)) + 5;
        if (s.kind == Spot::PastLineEnd) return {host.wrapWidth() - 3, y};
        const Coord x = editor.xOf(s.at) + (s.rightHalf ? 5 : 2);
        if (s.kind == Spot::BelowText) return {x, host.viewHeight() - 2};
        return {x, y};
    }

    void run(const Step& step) {
        const auto [x, y] = point(step.spot);
        switch (step.kind) {
            case Step::Move: editor.move(step.move, step.extend); break;
            case Step::Erase: editor.erase(step.erase); break;
            case Step::Type: editor.type(step.text); break;
            case Step::Insert: editor.insert(step.text); break;
            case Step::Undo: editor.undo(); break;
            case Step::Redo: editor.redo(); break;
            case Step::Cut: editor.cut(); break;
            case Step::Paste:
                if (!step.text.empty()) host.clipboard = step.text;
                editor.paste();
                break;
            case Step::SelectAll: editor.selectAll(); break;
            case Step::Put: editor.put(step.text); break;
            case Step::Click: editor.press(x, y, false); break;
            case Step::ShiftClick: editor.press(x, y, true); break;
            case Step::DoubleClick: editor.doubleClick(x, y); break;
            case Step::Drag: {
                editor.press(x, y, false);
                const auto [toX, toY] = point(step.to);
                editor.dragTo(toX, toY);
                break;
            }
            case Step::Select: editor.select(step.anchor, step.caret); break;
        }
    }
};

class EditingTable : public ::testing::TestWithParam<bool> {};

TEST_P(EditingTable, EveryCaseAsThePlatformsBoxDoes) {
    const bool qt = GetParam();
    for (const EditingCase& c : drill::testing::editingCases()) {
        Core core(qt ? kQtConventions : kEditControlConventions);
        core.editor.reset(c.before);
        core.editor.select(c.caret, c.caret);
        for (const Step& step : c.steps) core.run(step);
        const drill::testing::Outcome& want = qt ? c.qt : c.edit;
        EXPECT_EQ(core.editor.text(), want.text.value_or(c.after)) << c.what;
        EXPECT_EQ(core.editor.anchor(), want.anchor) << c.what;
        EXPECT_EQ(core.editor.caret(), want.caret) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Platforms, EditingTable, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "QtBox" : "EditControl"; });

// Lines laid out again from the line before each change are those of the
// same text laid out whole, through edits, undo and redo.
TEST(EditingCore, LayoutAfterEditsIsLayoutFromScratch) {
    for (const Conventions* c : {&kQtConventions, &kEditControlConventions}) {
        Core core(*c);
        std::string words;
        for (int i = 0; i < 300; ++i) words += "word" + std::to_string(i) + (i % 37 == 36 ? "\r\n" : " ");
        core.editor.reset(words);
        std::mt19937 random(7);
        const char* pieces[] = {"x", " ", "\r\n", "a longer piece of text ", "",
                                "averylongwordwithoutanyblanksthatpassesthewidth", "5.2 (10) 12:30"};
        for (int edit = 0; edit < 400; ++edit) {
            const std::size_t size = core.editor.text().size();
            const std::size_t at = random() % (size + 1), to = std::min(size, at + random() % 12);
            switch (random() % 6) {
                case 0: core.editor.undo(); break;
                case 1: core.editor.redo(); break;
                default:
                    core.editor.select(at, to);
                    core.editor.insert(pieces[random() % std::size(pieces)]);
            }
            ASSERT_EQ(core.editor.lineStarts(), core.editor.freshLineStarts()) << "after edit " << edit;
        }
    }
}

// The program's texts stay undoable however large, within a bound: the
// oldest steps go first, never the last, so what was typed before the last
// text came can always come back.
TEST(EditingCore, HistoryKeepsItsLastStepWithinItsBound) {
    EditHistory history(100);
    const auto record = [&](std::string removed, std::string inserted) {
        history.prepare(0, removed.size(), inserted.size(), EditHistory::Run::Program);
        history.record(0, std::move(removed), std::move(inserted), EditHistory::Run::Program);
    };
    record("", std::string(60, 'a'));
    record(std::string(60, 'a'), std::string(30, 'b'));
    EXPECT_EQ(history.toUndo().removed, std::string(60, 'a'));
    history.undone();
    EXPECT_FALSE(history.canUndo());  // the first went to keep within the bound
    history.redone();
    record("typed", std::string(500, 'c'));
    EXPECT_EQ(history.toUndo().removed, "typed");
}

// Put twice with the same text: one step, and nothing told of a change.
TEST(EditingCore, PuttingTheSameTextChangesNothing) {
    Core core(kQtConventions);
    core.editor.put("same");
    core.host.changes.clear();
    core.editor.put("same");
    EXPECT_TRUE(core.host.changes.empty());
    core.editor.undo();
    EXPECT_EQ(core.editor.text(), "");
}

}  // namespace
}  // namespace drill::editing
