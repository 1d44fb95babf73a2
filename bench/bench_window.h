#pragma once
// The real window for benchmarks: real disk channels on a temporary drive,
// the system clock and the program's generator, start-up answered by scripted
// dialogs, the beep silenced (but counted, so a benchmark can tell that its
// ticks really ran) and the timer ticked by the benchmark itself.
#include <QPushButton>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_texts.h"
#include "drill/form_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "platform/toolkit.h"
#include "window/qt/main_window.h"
#include "window_fakes.h"

namespace drill::bench {

// A directory under /tmp that stands in for drive C: for the whole run.
const std::filesystem::path& driveRoot();

// Runs Qt's pending work: deferred layout and painting included.
void settle();

// Resident memory of this process, in kilobytes.
long residentKb();

class BenchWindow {
public:
    // Loads (start-up and header, assignment 1) and shows the window.
    explicit BenchWindow(const std::string& student = "Ann Lee");
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    MainWindow& window() { return *window_; }
    FormState& state() { return state_; }
    // One tick of the experiment's timer, as the event loop delivers it.
    void tick() { timer_.tick(); }
    QPushButton* button(const char* name) const;
    // Presses a button as a click does and lets Qt finish what it deferred.
    // Out of line, so a profiler can collect exactly this.
    void press(QPushButton* button);

    std::string text(TextBox box);
    CodePageTextEdit* box(TextBox box) const;
    // A key pressed and released in a box, as the keyboard gives it, and
    // what Qt deferred.
    void key(TextBox box, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text = {});
    // Fills a box as a command does and lets its layout and paint happen.
    void setText(TextBox box, const std::string& text);

    // Native path of one of the program's files (a Windows path).
    static std::filesystem::path native(const std::string& windowsPath);

    int beeps() const { return beeper_.beeps; }
    // Paint events of the question box's viewport, of Picture1.
    int questionPaints = 0;
    int picturePaints = 0;

private:
    std::unique_ptr<Files> files_ = makeDiskFiles();
    std::unique_ptr<Clock> clock_ = makeSystemClock();
    std::unique_ptr<Random> random_ = makeGenerator();
    testing::ScriptedDialogs dialogs_;
    testing::CountingBeeper beeper_;
    testing::ManualTimer timer_;
    FormState state_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QObject> paintCounter_;
};


}  // namespace drill::bench
