// A copy of the program killed at each write and each sync of its files and
// of its record of the block under way (strace kills it as it makes that
// call), then started again on the same files: afterwards every block is in
// all of its files or in none, and nothing else is there.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "block_text.h"
#include "fakes.h"
#include "process.h"
#include "records.h"

namespace drill::e2e {
namespace {

namespace fs = std::filesystem;
using namespace block;
using testing::readFile;

const std::string kName = "Kill Point";
constexpr std::size_t kAnswerBytes = 300;

// What one block of the first run puts into the master, send and notes file.
struct Block {
    const char* what;
    std::optional<Record> in[3];
};

std::vector<Block> firstRun() {
    const Header h{kName, "AAA", "001", "a."};
    const std::string answer = blockText("AAA", 0, kAnswerBytes), note = blockText("AAA", 1, kAnswerBytes);
    return {{"header", {masterHeader(h), sendHeader(h), std::nullopt}},
            {"response", {masterResponse("r", kLine3, "10000", answer), sendResponse("r", kLine3, answer), std::nullopt}},
            {"note",
             {notes(NotesFile::Master, "n", kLine3, note), notes(NotesFile::Send, "n", kLine3, note),
              notes(NotesFile::Notes, "n", kLine3, note)}}};
}

// Which blocks of the first run the file holds, in their order; then the
// second run's header when there is one, and nothing more. Nothing when the
// file holds anything else.
std::optional<std::vector<bool>> blocksIn(const std::string& bytes, const std::vector<Block>& blocks, int file,
                                          const std::optional<Record>& last, Fields& fields) {
    std::vector<bool> present;
    std::size_t pos = 0, end = 0;
    for (const Block& b : blocks) {
        const bool here = b.in[file] && matchAt(*b.in[file], bytes, pos, fields, end);
        if (here) pos = end;
        present.push_back(here);
    }
    if (last) {
        if (!matchAt(*last, bytes, pos, fields, end)) return std::nullopt;
        pos = end;
    }
    if (pos != bytes.size()) return std::nullopt;
    return present;
}

std::string sendName() {
    const std::time_t now = std::time(nullptr);
    char day[8];
    std::strftime(day, sizeof day, "%m%d", std::localtime(&now));
    return "send_" + std::string(day) + "Kill_Point.txt";
}

TEST(KillTest, EveryBlockIsInAllItsFilesOrNoneAfterTheNextStart) {
    const std::string strace = which("strace");
    if (strace.empty()) GTEST_SKIP() << "strace is not installed (tools/setup installs it)";
    const Output probe = run({strace, "-o", "/dev/null", "true"}, environmentWith({}), 30s);
    if (probe.status != 0) GTEST_SKIP() << "strace cannot trace here: " << probe.out;

    const std::vector<Block> blocks = firstRun();
    const Header second{kName, "BBB", "001", "b."};
    const std::optional<Record> secondHeader[3] = {masterHeader(second), sendHeader(second), std::nullopt};
    const char* const labels[] = {"master", "send", "notes", "record"};
    std::printf("| killed at | master, send, notes bytes then | after the next start |\n");
    int killed = 0;
    for (int target = 0; target < 4; ++target) {
        for (const char* call : {"write", "fsync"}) {
            for (int n = 1;; ++n) {
                testing::TempDrive drive;
                const fs::path dir = drive.root / "tarnholm";
                const fs::path files[] = {dir / "masterFile_Kill_Point.txt", dir / sendName(),
                                          dir / "notes_Kill_Point.txt", drive.state() / "block-1.rec"};
                const fs::path go = drive.root / "go", log = drive.root / "log";
                testing::writeFile(go, "");
                const std::vector<std::string> env = environmentWith({{"QT_QPA_PLATFORM", "offscreen"}});
                // The leak checker of a sanitized build cannot work under ptrace.
                const char* asan = std::getenv("ASAN_OPTIONS");
                const std::vector<std::string> traced = environmentWith(
                    {{"QT_QPA_PLATFORM", "offscreen"},
                     {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":detect_leaks=0"}});
                Process first({strace, "-f", "-o", "/dev/null", "-e", std::string("trace=") + call, "-e",
                               std::string("inject=") + call + ":signal=SIGKILL:when=" + std::to_string(n), "-P",
                               files[target].string(), RECORD_DRIVER, kName, "AAA", "2",
                               std::to_string(kAnswerBytes), go.string()},
                              traced, log.string());
                const std::optional<int> status = first.waitFor(120s);
                ASSERT_TRUE(status) << "the first run hung";
                if (*status == 0) break;  // there are fewer such calls
                ASSERT_EQ(*status, 128 + SIGKILL) << readFile(log);
                ++killed;

                std::string left;
                for (int f = 0; f < 3; ++f) left += " " + std::to_string(readFile(files[f]).size());

                Process again({RECORD_DRIVER, kName, "BBB", "0", "0", go.string()}, env, log.string());
                ASSERT_EQ(again.waitFor(120s), std::optional<int>(0)) << readFile(log);
                std::string after;
                Fields fields;
                std::optional<std::vector<bool>> in[3];
                for (int f = 0; f < 3; ++f) {
                    in[f] = blocksIn(readFile(files[f]), blocks, f, secondHeader[f], fields);
                    ASSERT_TRUE(in[f]) << labels[f] << " after " << call << " #" << n << " on " << labels[target];
                }
                for (std::size_t b = 0; b < blocks.size(); ++b) {
                    std::optional<bool> whole;
                    for (int f = 0; f < 3; ++f) {
                        if (!blocks[b].in[f]) continue;
                        if (!whole) whole = (*in[f])[b];
                        EXPECT_EQ((*in[f])[b], *whole) << blocks[b].what << " after " << call << " #" << n << " on "
                                                        << labels[target];
                    }
                    after += std::string(" ") + blocks[b].what + (*whole ? " whole" : " none");
                }
                EXPECT_EQ(fs::file_size(files[3]), 0u) << "the record is left";
                std::printf("| %s #%d on %s |%s |%s |\n", call, n, labels[target], left.c_str(), after.c_str());
            }
        }
    }
    EXPECT_GE(killed, 16);  // each file's writes and syncs, and the record's
}

}  // namespace
}  // namespace drill::e2e
