// Recording should cost what putting its blocks on disk costs: the
// enter-response command against a bare open, append, write, fsync and close
// of the same bytes to the same files, timed in turn within each iteration.
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "bench_window.h"

namespace drill::bench {

namespace {

using Clock = std::chrono::steady_clock;

std::string tail(const std::filesystem::path& p, std::uintmax_t from) {
    std::ifstream in(p, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the program's channels do on closing, and nothing else.
bool bareAppend(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

void EnterResponseVsBareIO(benchmark::State& state) {
    BenchWindow w("Record Bench");
    const std::string master = BenchWindow::native(w.state().masterFileName).string();
    const std::string send = BenchWindow::native(w.state().sendFileName).string();
    QPushButton* enter = w.button("cmd_enter_response");
    const std::string question = w.state().scriptLines[3];
    const std::string transcript = transcriptText(w.state(), 4096);

    // A session in its ordinary state: a question shown, a short transcript.
    const auto prepare = [&] {
        w.state().cumulativeText = transcript;
        w.setText(TextBox::Question, question);
        w.setText(TextBox::Answer, typicalAnswer());
    };

    // One recording shows which bytes a response block puts in each file.
    prepare();
    const auto masterAt = std::filesystem::file_size(master);
    const auto sendAt = std::filesystem::file_size(send);
    w.press(enter);
    const std::string masterBlock = tail(master, masterAt);
    const std::string sendBlock = tail(send, sendAt);
    if (masterBlock.empty() || sendBlock.empty()) {
        state.SkipWithError("the first response was not recorded");
        return;
    }

    double commandSeconds = 0, bareSeconds = 0, paintSeconds = 0;
    bool odd = false;
    for (auto _ : state) {
        prepare();
        const auto recordedBefore = std::filesystem::file_size(master);
        // Alternate the order, so neither side always finds the disk fresh.
        double bare = 0;
        const auto runBare = [&] {
            const auto t0 = Clock::now();
            const bool ok = bareAppend(master, masterBlock) && bareAppend(send, sendBlock);
            bare = std::chrono::duration<double>(Clock::now() - t0).count();
            return ok;
        };
        if (odd && !runBare()) {
            state.SkipWithError("bare append failed");
            break;
        }
        // The press as BenchWindow::press makes it, with the part that Qt
        // deferred (layout and painting of the emptied boxes) told apart.
        const auto t0 = Clock::now();
        enter->click();
        const auto t1 = Clock::now();
        settle();
        const double command = std::chrono::duration<double>(Clock::now() - t0).count();
        paintSeconds += std::chrono::duration<double>(Clock::now() - t1).count();
        if (!odd && !runBare()) {
            state.SkipWithError("bare append failed");
            break;
        }
        odd = !odd;
        if (std::filesystem::file_size(master) != recordedBefore + 2 * masterBlock.size()) {
            state.SkipWithError("the response block was not recorded");
            break;
        }
        state.SetIterationTime(command);
        commandSeconds += command;
        bareSeconds += bare;
    }
    if (state.iterations() > 0 && bareSeconds > 0) {
        state.counters["bare_ms"] = bareSeconds / static_cast<double>(state.iterations()) * 1e3;
        state.counters["ratio"] = commandSeconds / bareSeconds;
        state.counters["deferred_ms"] = paintSeconds / static_cast<double>(state.iterations()) * 1e3;
        // The command itself, its blocks on disk included, before Qt paints.
        state.counters["ratio_before_paint"] = (commandSeconds - paintSeconds) / bareSeconds;
    }
}

BENCHMARK(EnterResponseVsBareIO)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace drill::bench
