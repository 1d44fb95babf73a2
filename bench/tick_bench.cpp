// The experiment display: one tick of its timer after many circles, and the
// memory those circles take.
#include <benchmark/benchmark.h>

#include "bench_window.h"

namespace drill::bench {

namespace {

void Tick(benchmark::State& state) {
    const long circles = state.range(0);
    BenchWindow w("Tick Bench");
    // "pend exp" enables the timer; its ticks come from here, without
    // waiting 15 ms for each.
    w.press(w.button("cmd_pend_exp"));
    const auto tick = [&w] { w.tick(); };

    settle();
    const long before = residentKb();
    for (long i = 0; i < circles; ++i) {
        tick();
        if (i % 4096 == 0) settle();
    }
    settle();
    const long after = residentKb();
    if (w.beeps() != circles) {
        state.SkipWithError("the ticks before timing did not run");
        return;
    }

    const int beeps = w.beeps();
    const int paints = w.picturePaints;
    for (auto _ : state) {
        tick();
        settle();
    }
    if (w.beeps() - beeps != static_cast<long>(state.iterations())) {
        state.SkipWithError("not every timed tick ran");
        return;
    }
    state.counters["rss_before_kb"] = static_cast<double>(before);
    state.counters["rss_after_kb"] = static_cast<double>(after);
    state.counters["rss_growth_kb"] = static_cast<double>(after - before);
    state.counters["paints_per_tick"] =
        static_cast<double>(w.picturePaints - paints) / static_cast<double>(state.iterations());
}

BENCHMARK(Tick)
    ->ArgName("circles")
    ->Arg(100)
    ->Arg(10000)
    ->Arg(1000000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace drill::bench
