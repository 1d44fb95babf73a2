// Two copies of the program record into the same master, send and notes
// files at the same time, many large blocks each. Every file must then be an
// interleaving of whole blocks: read from the start, each next stretch is the
// next block of one copy or of the other, byte for byte, and nothing is left.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fakes.h"
#include "block_text.h"
#include "process.h"
#include "records.h"

namespace drill::e2e {
namespace {

namespace fs = std::filesystem;
using namespace block;
using testing::readFile;

constexpr int kBlocks = 40;
constexpr std::size_t kAnswerBytes = 64 * 1024;
const std::string kName = "Twin Copies";

struct Copy {
    std::string initials;
    std::vector<Record> master, send, notes;  // in the order the copy writes them
};

Copy expectedOf(const std::string& initials) {
    Copy c{initials, {}, {}, {}};
    const Header h{kName, initials, "001", initials + "."};
    c.master.push_back(masterHeader(h));
    c.send.push_back(sendHeader(h));
    for (int n = 0; n < kBlocks; ++n) {
        const std::string text = blockText(initials, n, kAnswerBytes);
        const std::string id = initials + std::to_string(n);
        if (n % 2 == 0) {
            c.master.push_back(masterResponse(id, kLine3, "10000", text));
            c.send.push_back(sendResponse(id, kLine3, text));
        } else {
            c.master.push_back(notes(NotesFile::Master, id, kLine3, text));
            c.send.push_back(notes(NotesFile::Send, id, kLine3, text));
            c.notes.push_back(notes(NotesFile::Notes, id, kLine3, text));
        }
    }
    return c;
}

// Reads the file as a merge of the two copies' sequences of blocks; reports
// where it stops being one.
void expectWholeBlocks(const std::string& file, const std::string& bytes, const std::vector<Record>& a,
                       const std::vector<Record>& b, Fields& fields) {
    std::size_t pos = 0, ia = 0, ib = 0;
    while (pos < bytes.size()) {
        std::size_t end = 0;
        if (ia < a.size() && matchAt(a[ia], bytes, pos, fields, end)) {
            ++ia;
        } else if (ib < b.size() && matchAt(b[ib], bytes, pos, fields, end)) {
            ++ib;
        } else {
            ADD_FAILURE() << file << ": no whole block at byte " << pos << " (after " << ia << " + " << ib
                          << " blocks): " << bytes.substr(pos, 200);
            return;
        }
        pos = end;
    }
    EXPECT_EQ(ia, a.size()) << file << ": blocks of the first copy missing";
    EXPECT_EQ(ib, b.size()) << file << ": blocks of the second copy missing";
}

// Runs one copy of the program for each of the initials, the second with
// `secondArgs` more, all recording at once, and checks each file as a merge
// of whole blocks of the first copy and of `second`.
void recordAtOnce(const std::string (&initials)[2], const std::vector<std::string>& secondArgs, const Copy& second) {
    testing::TempDrive drive;
    const fs::path go = drive.root / "go";
    const auto env = environmentWith({{"DRILL_DRIVE_C", drive.root.string()},
                                      {"HOME", drive.root.string()},
                                      {"QT_QPA_PLATFORM", "offscreen"}});
    std::vector<std::unique_ptr<Process>> copies;
    for (const std::string& i : initials) {
        std::vector<std::string> args{RECORD_DRIVER, kName, i, std::to_string(kBlocks), std::to_string(kAnswerBytes),
                                      go.string()};
        if (&i == &initials[1]) args.insert(args.end(), secondArgs.begin(), secondArgs.end());
        copies.push_back(std::make_unique<Process>(args, env, (drive.root / (i + ".log")).string()));
    }
    // Both headers are written before either copy records a block.
    const bool ready = waitUntil(
        [&] {
            for (const std::string& i : initials)
                if (readFile(drive.root / (i + ".log")).find("ready") == std::string::npos) return false;
            return true;
        },
        60s);
    testing::writeFile(go, "");
    ASSERT_TRUE(ready) << readFile(drive.root / "AAA.log") << readFile(drive.root / "BBB.log");
    for (std::size_t k = 0; k < copies.size(); ++k) {
        EXPECT_EQ(copies[k]->waitFor(180s), std::optional<int>(0))
            << initials[k] << ": " << readFile(drive.root / (initials[k] + ".log"));
    }

    const Copy a = expectedOf(initials[0]);
    Fields fields;
    const fs::path dir = drive.root / "tarnholm";
    std::string sendName;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind("send_", 0) == 0) sendName = e.path().filename().string();
    expectWholeBlocks("master", readFile(dir / "masterFile_Twin_Copies.txt"), a.master, second.master, fields);
    expectWholeBlocks("send", readFile(dir / sendName), a.send, second.send, fields);
    expectWholeBlocks("notes", readFile(dir / "notes_Twin_Copies.txt"), a.notes, second.notes, fields);
}

TEST(TwoCopiesTest, BlocksOfTwoCopiesNeverInterleave) {
    recordAtOnce({"AAA", "BBB"}, {}, expectedOf("BBB"));
}

// Every block of the second copy fails part way into the send file and is
// cut back out of the master and the send file, while the first copy
// records: what the first copy recorded stays whole, and nothing of the
// second's blocks stays behind.
TEST(TwoCopiesTest, ACopyWhoseBlocksFailCutsBackOnlyItsOwn) {
    const Copy failing = expectedOf("BBB");
    recordAtOnce({"AAA", "BBB"}, {"--send-fails"}, Copy{"BBB", {failing.master[0]}, {failing.send[0]}, {}});
}

}  // namespace
}  // namespace drill::e2e
