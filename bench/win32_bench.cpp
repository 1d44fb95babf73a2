// The Windows window's commands with a long session behind them, as the
// Linux benchmark measures them: a question box and a transcript of 1 MB and
// 10 MB, a notes file of the same sizes, the student's keys once notes of
// 1 MB are shown, and recording against bare disk writes of the same bytes.
// Each press goes through the button and the painting of the window is
// inside the timed region. Under Wine the times say little of Windows, so
// the table at the end gives ratios. Every measure checks that its command
// did its work, so a fast wrong result cannot pass.
//
//   win32_bench [--smoke]    (--smoke: once each, small sizes, no table)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "bench_texts.h"
#include "drill/form_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "window/win32/main_window.h"
#include "window/win32/text_view.h"
#include "window_fakes.h"

namespace drill::bench {
namespace {

using Timing = std::chrono::steady_clock;
namespace fs = std::filesystem;

bool smoke = false;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lets the window paint what the command changed, and handles what it posted.
void settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The real window, shown, with real disk channels on a temporary drive and
// start-up answered by scripted dialogs.
struct Bench {
    testing::TempDrive drive;
    std::unique_ptr<Files> files = makeDiskFiles();
    std::unique_ptr<Clock> clock = makeSystemClock();
    std::unique_ptr<Random> random = makeGenerator();
    testing::ScriptedDialogs dialogs;
    testing::CountingBeeper beeper;
    testing::ManualTimer timer;
    FormState state;
    win32::MainWindow window{WindowServices{*files, *clock, *random, dialogs, beeper, timer, state}};

    explicit Bench(const std::string& student) {
        dialogs.answers = {"1", student, "BEN", "1"};
        if (!window.load()) throw std::runtime_error("start-up failed");
        window.show();
        settle(window.hwnd());
    }
    win32::TextView& box(const char* name) { return *static_cast<win32::TextView*>(window.find(name)); }
    void setText(const char* name, const std::string& text) {
        box(name).setText(text);
        settle(window.hwnd());
    }
    // Milliseconds from the press to the window painted.
    double press(const char* button) {
        const auto t0 = Timing::now();
        SendMessageW(window.find(button)->hwnd(), BM_CLICK, 0, 0);
        settle(window.hwnd());
        return std::chrono::duration<double, std::milli>(Timing::now() - t0).count();
    }
    fs::path native(const std::string& windowsPath) const {
        return drive.root / fs::path(windowsPath.substr(windowsPath.find('\\') + 1));
    }
};

struct Measure {
    std::string name;
    double ms = 0;
};
std::vector<Measure> measures;

void report(const std::string& name, std::vector<double> times, bool done) {
    if (!done) {
        std::fprintf(stderr, "%s: the command did not do its work\n", name.c_str());
        std::exit(1);
    }
    std::sort(times.begin(), times.end());
    measures.push_back({name, times[times.size() / 2]});
    std::printf("%-40s %10.2f ms\n", name.c_str(), measures.back().ms);
}

int runs() { return smoke ? 1 : 5; }
std::size_t sizeOf(int mb) { return smoke ? 64 * 1024 : static_cast<std::size_t>(mb) << 20; }

void nextQuestion(int mb) {
    Bench b("Next Question");
    const std::string big = transcriptText(b.state, sizeOf(mb));
    std::vector<double> times;
    for (int i = 0; i < runs(); ++i) {
        b.state.scriptIndex = 1;
        b.state.answerPending = false;
        b.state.cumulativeText = big;
        b.setText("txt_question", big);
        times.push_back(b.press("cmdNextQuestion"));
    }
    report("NextQuestion/MB:" + std::to_string(mb), times, b.box("txt_question").text() == big + b.state.scriptLines[3]);
}

void record(const char* button, int mb) {
    Bench b(button);
    const std::string big = transcriptText(b.state, sizeOf(mb));
    std::vector<double> times;
    for (int i = 0; i < runs(); ++i) {
        b.state.cumulativeText = big;
        b.setText("txt_question", big);
        b.setText("txt_answer", typicalAnswer());
        times.push_back(b.press(button));
    }
    const bool done = b.box("txt_question").text().empty() && b.box("txt_answer").text().empty() &&
                      readAll(b.native(b.state.masterFileName)).find(typicalAnswer()) != std::string::npos;
    report(std::string(button) + "/MB:" + std::to_string(mb), times, done);
}

void displayNotes(int mb) {
    Bench b("Display Notes");
    b.setText("txt_answer", "a note");
    b.press("cmd_save_as_notes");
    const fs::path notesFile = b.native(b.state.notesFileName);
    const std::string block = readAll(notesFile);
    std::string notes;
    while (notes.size() < sizeOf(mb)) notes += block;
    std::ofstream(notesFile, std::ios::binary | std::ios::trunc) << notes;
    std::vector<double> times;
    std::string joined;
    for (char c : notes)
        if (c != '\r' && c != '\n') joined.push_back(c);
    for (int i = 0; i < runs(); ++i) {
        b.state.responseText.clear();
        b.setText("txt_question", "");
        times.push_back(b.press("cmd_display_note_file"));
    }
    report("DisplayNotes/MB:" + std::to_string(mb), times, b.box("txt_question").text() == joined);
    if (mb != 1) return;
    // The student's keys once the notes are shown.
    HWND box = b.box("txt_question").hwnd();
    const auto timed = [&](const std::function<void()>& step) {
        const auto t0 = Timing::now();
        step();
        settle(b.window.hwnd());
        return std::vector<double>{std::chrono::duration<double, std::milli>(Timing::now() - t0).count()};
    };
    report("notes shown, scrolled to the end", timed([&] { SendMessageW(box, WM_VSCROLL, SB_BOTTOM, 0); }), true);
    report("notes shown, all selected and copied", timed([&] {
               SendMessageW(box, EM_SETSEL, 0, -1);
               SendMessageW(box, WM_COPY, 0, 0);
           }),
           true);
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(box));
    SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
    // Timed before its check is made: the order in which arguments are
    // worked out is the compiler's.
    const std::vector<double> typing = timed([&] { SendMessageW(box, WM_CHAR, 'x', 0); });
    report("notes shown, a character typed at the end", typing,
           b.box("txt_question").text().size() == joined.size() + 1);
}

void displayEverything(int mb) {
    Bench b("Display Everything");
    const std::string big = transcriptText(b.state, sizeOf(mb));
    std::vector<double> times;
    for (int i = 0; i < runs(); ++i) {
        b.state.cumulativeText = big;
        b.setText("txt_question", "");
        times.push_back(b.press("cmd_displayCumulativeText"));
    }
    report("DisplayEverything/MB:" + std::to_string(mb), times, b.box("txt_question").text() == big);
}

// What the program's channels do on closing, and nothing else.
bool bareAppend(const fs::path& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    ok = FlushFileBuffers(h) && ok;
    return CloseHandle(h) && ok;
}

void recordingAgainstBareDisk() {
    Bench b("Record Bench");
    const fs::path master = b.native(b.state.masterFileName), send = b.native(b.state.sendFileName);
    const auto prepare = [&] {
        b.state.cumulativeText = transcriptText(b.state, 4096);
        b.setText("txt_question", b.state.scriptLines[3]);
        b.setText("txt_answer", typicalAnswer());
    };
    prepare();
    const auto masterAt = fs::file_size(master), sendAt = fs::file_size(send);
    b.press("cmd_enter_response");
    const std::string masterBlock = readAll(master).substr(masterAt), sendBlock = readAll(send).substr(sendAt);
    std::vector<double> command, bare;
    bool done = !masterBlock.empty() && !sendBlock.empty();
    for (int i = 0; i < runs() * 4 && done; ++i) {
        prepare();
        const auto t0 = Timing::now();
        done = bareAppend(master, masterBlock) && bareAppend(send, sendBlock);
        bare.push_back(std::chrono::duration<double, std::milli>(Timing::now() - t0).count());
        command.push_back(b.press("cmd_enter_response"));
    }
    report("EnterResponse (ordinary session)", command, done);
    report("bare open, append, flush, close", bare, done);
}

double ms(const std::string& name) {
    for (const Measure& m : measures)
        if (m.name == name) return m.ms;
    return 0;
}

}  // namespace
}  // namespace drill::bench

int main(int argc, char** argv) {
    using namespace drill::bench;
    smoke = argc > 1 && std::string(argv[1]) == "--smoke";
    for (const int mb : {1, 10}) {
        nextQuestion(mb);
        record("cmd_enter_response", mb);
        record("cmd_save_as_notes", mb);
        displayNotes(mb);
        displayEverything(mb);
    }
    recordingAgainstBareDisk();
    if (smoke) return 0;
    std::printf("\n%-48s %8s %8s\n", "Goal (ratios; the times under Wine say little)", "ratio", "goal");
    const auto row = [](const std::string& what, double ratio, double goal) {
        std::printf("%-48s %8.2f %8.2f  %s\n", what.c_str(), ratio, goal, ratio <= goal ? "met" : "MISSED");
    };
    for (const char* command :
         {"NextQuestion", "cmd_enter_response", "cmd_save_as_notes", "DisplayNotes", "DisplayEverything"})
        row(std::string(command) + ", 10 MB against 1 MB", ms(std::string(command) + "/MB:10") / ms(std::string(command) + "/MB:1"), 12);
    row("DisplayNotes 1 MB against DisplayEverything 1 MB", ms("DisplayNotes/MB:1") / ms("DisplayEverything/MB:1"), 12);
    row("EnterResponse against the bare disk", ms("EnterResponse (ordinary session)") / ms("bare open, append, flush, close"), 1.5);
    return 0;
}
