// The Windows program as a student runs it: the real .exe under Wine, on an X
// server of its own, driven with real key and mouse events as the Linux
// program is, and its files compared byte for byte with what the record
// formats say. It needs the Windows build and a Wine prefix of its own
// (tools/run-tests --windows makes both, and then requires this test to run).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "one_session.h"
#include "student_run.h"

namespace drill::e2e {
namespace {

const fs::path kBuild = DRILL_WINDOWS_BUILD;
const fs::path kProgram = kBuild / "assignment-drill.exe";
const fs::path kPrefix = kBuild / "wine-prefix-e2e";
const fs::path kBoxText = kBuild / "tests" / "wine_box_text.exe";

// Skips a test when there is no Windows build, unless one is required.
#define REQUIRE_WINDOWS_BUILD()                                                                           \
    if (!fs::exists(kProgram) || !fs::exists(kPrefix) || !fs::exists(kBoxText)) {                        \
        if (std::getenv("DRILL_REQUIRE_WINDOWS") != nullptr) FAIL() << "no Windows build in " << kBuild; \
        GTEST_SKIP() << "no Windows build in " << kBuild << " (tools/run-tests --windows makes one)";     \
    }

TEST_F(ProgramTest, UnderWineOneSessionLeavesTheFilesTheRecordFormatsSay) {
    REQUIRE_WINDOWS_BUILD();
    const fs::path program = kProgram, prefix = kPrefix;
    // Drive C of the Windows program is the test's drive, seen through Wine's Z:.
    std::string drive = "Z:" + drive_.root.string();
    for (char& c : drive)
        if (c == '/') c = '\\';
    const std::string wineProgram = which("wine");
    ASSERT_FALSE(wineProgram.empty()) << "Wine is not installed";
    const Launch wine{{wineProgram, program.string()},
                      {{"WINEPREFIX", prefix.string()},
                       {"WINEDEBUG", "-all"},
                       {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                       {"DRILL_DRIVE_C", drive},
                       {"DRILL_STATE_DIR", drive + "_state"}}};
    // Wine's desktop process, which carries the clipboard, is one per server
    // and stays on the display it started on: the server of this prefix must
    // start anew on this test's display, and end with it.
    const auto stopServer = [&] {
        run({which("wineserver"), "-k"}, environmentWith({{"WINEPREFIX", prefix.string()}}), kStep);
    };
    stopServer();
    // Typed text is read back from the box itself: copying it goes through
    // keys and the clipboard, and under load Wine sometimes makes no copy.
    const std::vector<std::string> wineEnv = environmentWith(
        {{"WINEPREFIX", prefix.string()}, {"WINEDEBUG", "-all"}, {"DISPLAY", x_->display()}});
    x_->readBoxesWith([&](const std::string& shown) -> std::optional<std::string> {
        std::string hex;
        for (const unsigned char c : shown) {
            hex += "0123456789abcdef"[c >> 4];
            hex += "0123456789abcdef"[c & 15];
        }
        const Output held = run({wineProgram, kBoxText.string(), hex}, wineEnv, kStep, Collect::OutputOnly);
        if (held.status != 0) return std::nullopt;
        return held.out;
    });
    {
        StudentRun student(*x_, drive_.root, log_, wine);
        EXPECT_NO_FATAL_FAILURE(student.oneSession());
        EXPECT_EQ(student.waitForEnd(), std::optional<int>(0)) << "the program did not end cleanly";
    }
    stopServer();
    ASSERT_FALSE(HasFailure());
    one_session::expectFiles(drive_.root / "tarnholm", {today()});
    // A student who clicks Next Question twice quickly to be sure gets two
    // questions, as on Linux: twice so, and the fourth press ends the
    // assignment with message A.
    {
        StudentRun student(*x_, drive_.root, log_, wine);
        EXPECT_NO_FATAL_FAILURE([&] {
            ASSERT_NO_FATAL_FAILURE(student.start("Ann Lee", "AL"));
            ASSERT_NO_FATAL_FAILURE(student.press(kNext, 2));
            ASSERT_NO_FATAL_FAILURE(student.press(kNext, 2));
            ASSERT_NO_FATAL_FAILURE(student.confirmMessage());
        }());
        EXPECT_EQ(student.waitForEnd(), std::optional<int>(0)) << "the program did not end cleanly";
    }
    stopServer();
}

// The command line of a program of the desktop: what it says goes where its
// output was sent.
TEST(WineProgramOutputTest, CommandLine) {
    REQUIRE_WINDOWS_BUILD();
    const std::vector<std::string> env = environmentWith(
        {{"WINEPREFIX", kPrefix.string()}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}, {"DISPLAY", ""}});
    const struct {
        const char* arg;
        int status;
        const char* says;
    } cases[] = {
        {"--version", 0, "assignment-drill " DRILL_VERSION},
        {"--help", 0, "-v, --version"},
        {"--bogus", 2, "unexpected argument '--bogus'"},
    };
    for (const auto& c : cases) {
        const Output o = run({which("wine"), kProgram.string(), c.arg}, env, 60s);
        EXPECT_EQ(o.status, c.status) << c.arg << "\n" << o.out;
        EXPECT_NE(o.out.find(c.says), std::string::npos) << c.arg << "\n" << o.out;
    }
}

}  // namespace
}  // namespace drill::e2e
