// The Windows program as a student runs it: the real .exe under Wine, on an X
// server of its own, driven with real key and mouse events as the Linux
// program is, and its files compared byte for byte with what the record
// formats say. It needs the Windows build and a Wine prefix of its own
// (tools/run-tests --windows makes both, and then requires this test to run).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "one_session.h"
#include "student_run.h"

namespace drill::e2e {
namespace {

TEST_F(ProgramTest, UnderWineOneSessionLeavesTheFilesTheRecordFormatsSay) {
    const fs::path build = DRILL_WINDOWS_BUILD;
    const fs::path program = build / "assignment-drill.exe";
    const fs::path prefix = build / "wine-prefix-e2e";
    if (!fs::exists(program) || !fs::exists(prefix)) {
        if (std::getenv("DRILL_REQUIRE_WINDOWS") != nullptr) FAIL() << "no Windows build in " << build;
        GTEST_SKIP() << "no Windows build in " << build << " (tools/run-tests --windows makes one)";
    }
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
                       {"DRILL_DRIVE_C", drive}}};
    // Wine's desktop process, which carries the clipboard, is one per server
    // and stays on the display it started on: the server of this prefix must
    // start anew on this test's display, and end with it.
    const auto stopServer = [&] {
        run({which("wineserver"), "-k"}, environmentWith({{"WINEPREFIX", prefix.string()}}), kStep);
    };
    stopServer();
    {
        StudentRun student(*x_, drive_.root, log_, wine);
        EXPECT_NO_FATAL_FAILURE(student.oneSession());
        EXPECT_EQ(student.waitForEnd(), std::optional<int>(0)) << "the program did not end cleanly";
    }
    stopServer();
    ASSERT_FALSE(HasFailure());
    one_session::expectFiles(drive_.root / "tarnholm", {today()});
}

}  // namespace
}  // namespace drill::e2e
