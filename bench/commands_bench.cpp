// The student's commands with a long session behind them: a question box and
// a transcript of 1 MB and of 10 MB, a notes file of the same sizes; and the
// student's keys in the question box once a notes file of 1 MB is shown. Each
// press goes through the button, and Qt's deferred layout and painting of the
// boxes are inside the timed region. Every benchmark checks that its command
// did its work, so a fast wrong result cannot pass for a fast command.
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench_window.h"
#include "window/qt/code_page_text.h"
#include "window/qt/text_box.h"

namespace drill::bench {

namespace {

constexpr std::size_t kMB = 1 << 20;

std::uintmax_t fileSize(const std::filesystem::path& p) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(p, ec);
    return ec ? 0 : n;
}

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string withoutLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out.push_back(c);
    return out;
}

void NextQuestion(benchmark::State& state) {
    BenchWindow w("Next Question");
    const std::string big = transcriptText(w.state(), static_cast<std::size_t>(state.range(0)) * kMB);
    const std::string& shown = w.state().scriptLines[3];
    QPushButton* next = w.button("cmdNextQuestion");
    const int paints = w.questionPaints;
    for (auto _ : state) {
        state.PauseTiming();
        // Back on the title line, nothing pending: every press shows line 3.
        w.state().scriptIndex = 1;
        w.state().answerPending = false;
        w.state().cumulativeText = big;
        w.setText(TextBox::Question, big);
        state.ResumeTiming();
        w.press(next);
    }
    if (w.text(TextBox::Question) != big + shown || w.state().scriptIndex != 3 ||
        w.state().cumulativeText.size() != big.size() + w.state().qaSeparator.size() + shown.size())
        state.SkipWithError("the question box did not get the next line");
    state.counters["question_paints"] = w.questionPaints - paints;
}

// Shared by the two recording commands: a long session in both the question
// box and the transcript, a typical answer in the answer box.
void record(benchmark::State& state, const char* buttonName, const char* student, bool notes) {
    BenchWindow w(student);
    const std::string big = transcriptText(w.state(), static_cast<std::size_t>(state.range(0)) * kMB);
    const std::string answer = typicalAnswer();
    const auto master = BenchWindow::native(w.state().masterFileName);
    QPushButton* button = w.button(buttonName);
    const std::uintmax_t masterBefore = fileSize(master);
    for (auto _ : state) {
        state.PauseTiming();
        w.state().cumulativeText = big;
        w.setText(TextBox::Question, big);
        w.setText(TextBox::Answer, answer);
        state.ResumeTiming();
        w.press(button);
    }
    const std::string entry = w.state().answerSeparator + (notes ? "NOTES -------> " : "") + answer;
    const bool recorded = fileSize(master) > masterBefore + state.iterations() * answer.size();
    if (!recorded || !w.text(TextBox::Question).empty() || !w.text(TextBox::Answer).empty() ||
        w.state().cumulativeText != entry + big)
        state.SkipWithError("the answer was not recorded");
}

void EnterResponse(benchmark::State& state) {
    record(state, "cmd_enter_response", "Enter Response", false);
}

void SaveAsNotes(benchmark::State& state) {
    record(state, "cmd_save_as_notes", "Save Notes", true);
}

// Fills the notes file with real notes blocks to at least `bytes`: one saved
// note, repeated. Gives what the file holds, or nothing when no note could
// be saved.
std::string writeNotes(BenchWindow& w, std::size_t bytes) {
    w.setText(TextBox::Answer, typicalAnswer());
    w.press(w.button("cmd_save_as_notes"));
    const auto notesFile = BenchWindow::native(w.state().notesFileName);
    const std::string block = readAll(notesFile);
    if (block.empty()) return {};
    std::string notes;
    while (notes.size() < bytes) notes += block;
    std::ofstream out(notesFile, std::ios::binary | std::ios::trunc);
    out << notes;
    return notes;
}

void DisplayNotes(benchmark::State& state) {
    BenchWindow w("Display Notes");
    const std::string notes = writeNotes(w, static_cast<std::size_t>(state.range(0)) * kMB);
    if (notes.empty()) {
        state.SkipWithError("no notes block was saved");
        return;
    }
    const std::string before = w.state().responseText;
    QPushButton* display = w.button("cmd_display_note_file");
    for (auto _ : state) {
        state.PauseTiming();
        w.state().responseText = before;
        w.setText(TextBox::Question, "");
        state.ResumeTiming();
        w.press(display);
    }
    if (w.text(TextBox::Question) != before + withoutLineEnds(notes))
        state.SkipWithError("the notes were not shown");
}

// What the student does in the question box once the notes are shown: the
// notes are shown anew before each (untimed), then `act` is timed, with the
// layout and painting it leaves for Qt, and `done` tells whether it worked.
template <class Act, class Done>
void afterNotes(benchmark::State& state, const char* student, Act act, Done done) {
    BenchWindow w(student);
    const std::string notes = writeNotes(w, static_cast<std::size_t>(state.range(0)) * kMB);
    if (notes.empty()) {
        state.SkipWithError("no notes block was saved");
        return;
    }
    const std::string before = w.state().responseText;
    QPushButton* display = w.button("cmd_display_note_file");
    const std::string shown = before + withoutLineEnds(notes);
    for (auto _ : state) {
        state.PauseTiming();
        w.state().responseText = before;
        w.setText(TextBox::Question, "");
        w.press(display);
        state.ResumeTiming();
        act(w);
    }
    if (!done(w, shown)) state.SkipWithError("the box did not do what was asked");
}

void NotesScrollToEnd(benchmark::State& state) {
    afterNotes(
        state, "Notes Scroll", [](BenchWindow& w) { w.key(TextBox::Question, Qt::Key_End, Qt::ControlModifier); },
        [](BenchWindow& w, const std::string&) {
            const CodePageTextEdit* box = w.box(TextBox::Question);
            return box->verticalScrollBar()->value() > 0 && box->viewport()->rect().contains(box->caretRect()) &&
                   box->position() == box->characterCount();
        });
}

void NotesSelectAllCopy(benchmark::State& state) {
    afterNotes(
        state, "Notes Copy",
        [](BenchWindow& w) {
            w.key(TextBox::Question, Qt::Key_A, Qt::ControlModifier);
            w.key(TextBox::Question, Qt::Key_C, Qt::ControlModifier);
        },
        [](BenchWindow&, const std::string& shown) { return fromQt(QGuiApplication::clipboard()->text()) == shown; });
}

void NotesTyping(benchmark::State& state) {
    afterNotes(
        state, "Notes Typing", [](BenchWindow& w) { w.key(TextBox::Question, Qt::Key_X, Qt::NoModifier, "x"); },
        [](BenchWindow& w, const std::string& shown) { return w.text(TextBox::Question) == "x" + shown; });
}

void DisplayEverything(benchmark::State& state) {
    BenchWindow w("Display Everything");
    const std::string big = transcriptText(w.state(), static_cast<std::size_t>(state.range(0)) * kMB);
    w.state().cumulativeText = big;
    QPushButton* display = w.button("cmd_displayCumulativeText");
    for (auto _ : state) {
        state.PauseTiming();
        w.setText(TextBox::Question, "");
        state.ResumeTiming();
        w.press(display);
    }
    if (w.text(TextBox::Question) != big) state.SkipWithError("the transcript was not shown");
}

#define DRILL_SIZES(name)                                                                       \
    BENCHMARK(name)->ArgName("MB")->Arg(1)->Arg(10)->UseRealTime()->Unit(benchmark::kMillisecond)

DRILL_SIZES(NextQuestion);
DRILL_SIZES(EnterResponse);
DRILL_SIZES(SaveAsNotes);
DRILL_SIZES(DisplayNotes);
DRILL_SIZES(DisplayEverything);

#define DRILL_FRAME(name) BENCHMARK(name)->ArgName("MB")->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond)

DRILL_FRAME(NotesScrollToEnd);
DRILL_FRAME(NotesSelectAllCopy);
DRILL_FRAME(NotesTyping);

}  // namespace

}  // namespace drill::bench
