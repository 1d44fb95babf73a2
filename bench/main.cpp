// The benchmark program: the real window on Qt's offscreen platform (unless
// a platform is named), then a table of the goals with the medians measured
// side by side in this one run.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_window.h"

namespace {

struct Result {
    double ms = 0;  // real time per iteration
    benchmark::UserCounters counters;
};

// The console report, and the median (or the single run) of every benchmark
// kept for the goal table.
class GoalReporter : public benchmark::ConsoleReporter {
public:
    GoalReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                ++errors;
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single) continue;
            Result& r = results[run.run_name.function_name + "/" + run.run_name.args];
            r.ms = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            r.counters = run.counters;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, Result> results;
    int errors = 0;
};

class GoalTable {
public:
    explicit GoalTable(const std::map<std::string, Result>& results) : results_(results) {}

    const Result* find(const std::string& name) const {
        auto it = results_.find(name);
        return it == results_.end() ? nullptr : &it->second;
    }

    double counter(const Result& r, const char* name) const {
        auto it = r.counters.find(name);
        return it == r.counters.end() ? 0 : it->second.value;
    }

    void row(const std::string& what, const std::string& measured, const std::string& goal, bool met) {
        std::printf("| %s | %s | %s | %s |\n", what.c_str(), measured.c_str(), goal.c_str(),
                    met ? "met" : "MISSED");
    }

    void print() {
        std::printf("\n## Goals (medians of this run)\n\n");
        std::printf("| What | Measured | Goal | |\n|---|---|---|---|\n");
        ticks();
        for (const char* command :
             {"NextQuestion", "EnterResponse", "SaveAsNotes", "DisplayNotes", "DisplayEverything"})
            growth(command);
        for (const auto& [name, what] : {std::pair{"NotesScrollToEnd", "scrolling to its end"},
                                         std::pair{"NotesSelectAllCopy", "selecting all and copying it"},
                                         std::pair{"NotesTyping", "typing a character into it"}})
            if (const Result* r = find(std::string(name) + "/MB:1"))
                row(std::string("notes of 1 MB shown, then ") + what, fmt("%.2f ms", r->ms), "<= 16 ms",
                    r->ms <= 16);
        recording();
        std::printf("\n");
    }

private:
    static std::string fmt(const char* format, double a, double b = 0, double c = 0) {
        char buf[160];
        std::snprintf(buf, sizeof buf, format, a, b, c);
        return buf;
    }

    void ticks() {
        const Result* small = find("Tick/circles:100");
        const Result* large = find("Tick/circles:1000000");
        if (small) row("tick after 100 circles", fmt("%.1f us", small->ms * 1e3), "< 1 ms", small->ms < 1);
        if (small && large) {
            const double ratio = large->ms / small->ms;
            row("tick after 1 000 000 / after 100 circles",
                fmt("%.1f us / %.1f us = %.2f", large->ms * 1e3, small->ms * 1e3, ratio), "<= 1.2",
                ratio <= 1.2);
            const double grew = counter(*large, "rss_growth_kb") - counter(*small, "rss_growth_kb");
            row("memory for 1 000 000 circles beyond that for 100",
                fmt("%+.0f kB (RSS %.0f kB after)", grew, counter(*large, "rss_after_kb")),
                "no growth (< 1 MB)", grew < 1024);
        }
    }

    void growth(const std::string& command) {
        const Result* one = find(command + "/MB:1");
        const Result* ten = find(command + "/MB:10");
        if (one) row(command + ", 1 MB", fmt("%.2f ms", one->ms), "<= 16 ms", one->ms <= 16);
        if (one && ten) {
            const double ratio = ten->ms / one->ms;
            row(command + ", 10 MB / 1 MB", fmt("%.2f ms / %.2f ms = %.1f", ten->ms, one->ms, ratio),
                "<= 12", ratio <= 12);
        }
    }

    void recording() {
        const Result* r = find("EnterResponseVsBareIO/");
        if (!r) return;
        const double ratio = counter(*r, "ratio");
        row("enter-response / bare open+write+fsync+close",
            fmt("%.2f ms / %.2f ms = %.2f", r->ms, counter(*r, "bare_ms"), ratio), "<= 1.5",
            ratio <= 1.5);
        const double before = counter(*r, "ratio_before_paint");
        row("  the same without the deferred painting of the two emptied boxes",
            fmt("%.2f ms painting; ratio %.2f", counter(*r, "deferred_ms"), before), "(<= 1.5)",
            before <= 1.5);
    }

    const std::map<std::string, Result>& results_;
};

}  // namespace

int main(int argc, char** argv) {
    // No display is needed; a named platform (xcb under a desktop) is kept.
    if (const char* p = std::getenv("QT_QPA_PLATFORM"); p == nullptr || *p == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    GoalTable(reporter.results).print();
    benchmark::Shutdown();
    // A benchmark whose command did not do its work fails the run.
    return reporter.errors == 0 ? 0 : 1;
}
