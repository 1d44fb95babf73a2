#include "platform/paths.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/errors.h"

namespace drill {
namespace {

using testing::EnvGuard;

#ifdef _WIN32
TEST(NativePath, WindowsDrivesAreRealUnlessMapped) {
    EnvGuard c("DRILL_DRIVE_C", "C:\\Temp\\drive_c\\");
    EnvGuard d("DRILL_DRIVE_D", std::nullopt);
    EnvGuard e("DRILL_DRIVE_E", "");  // empty counts as not set
    const std::pair<std::string, std::wstring> cases[] = {
        {"c:\\tarnholm\\masterFile_Ann_Lee.txt", L"C:\\Temp\\drive_c\\tarnholm\\masterFile_Ann_Lee.txt"},
        {"C:\\tarnholm", L"C:\\Temp\\drive_c\\tarnholm"},
        // The code page's own table, whatever the system's code page is.
        {"c:\\notes_Zo\xEB \x80\x9F.txt", L"C:\\Temp\\drive_c\\notes_Zo\u00EB \u20AC\u0178.txt"},
        {"c:", L"C:\\Temp\\drive_c"},
        {"c:x.txt", L"C:\\Temp\\drive_c\\x.txt"},
        {"d:\\data\\x.txt", L"d:\\data\\x.txt"},
        {"e:\\x.txt", L"e:\\x.txt"},
        {"i:\\bkp_000416\\My Documents\\lb1", L"i:\\bkp_000416\\My Documents\\lb1"},
        {"dir\\file.txt", L"dir\\file.txt"},
    };
    for (const auto& [windows, native] : cases) EXPECT_EQ(nativePath(windows), native) << windows;
}
#else
struct PathCase {
    std::string windows;
    std::optional<std::string> native;  // "@C" and "@D" stand for the drive roots
};

TEST(NativePath, DriveMappingAndEncoding) {
    testing::TempDrive drive;
    const std::string c = drive.root.string();
    EnvGuard d("DRILL_DRIVE_D", "/srv/drive_d");
    EnvGuard e("DRILL_DRIVE_E", "");  // empty counts as not set

    const PathCase cases[] = {
        {"c:\\tarnholm\\masterFile_Ann_Lee.txt", c + "/tarnholm/masterFile_Ann_Lee.txt"},
        {"C:\\tarnholm\\masterFile_Ann_Lee.txt", c + "/tarnholm/masterFile_Ann_Lee.txt"},
        {"c:\\tarnholm\\notes_Zo\xEB.txt", c + "/tarnholm/notes_Zo\xC3\xAB.txt"},
        {"c:\\\x80\\\xE9t\xE9", c + "/\xE2\x82\xAC/\xC3\xA9t\xC3\xA9"},
        {"c:", c},
        {"c:\\", c + "/"},
        {"c:x.txt", c + "/x.txt"},
        {"d:\\data\\x.txt", "/srv/drive_d/data/x.txt"},
        {"D:\\data\\x.txt", "/srv/drive_d/data/x.txt"},
        {"e:\\x.txt", std::nullopt},
        {"q:\\x.txt", std::nullopt},
        {"Q:\\x.txt", std::nullopt},
        {"dir\\file.txt", "dir/file.txt"},
        {"file_\xEB.txt", "file_\xC3\xAB.txt"},
        {"1:\\x", "1:/x"},
    };
    for (const PathCase& pc : cases) EXPECT_EQ(nativePath(pc.windows), pc.native) << pc.windows;
}

TEST(NativePath, DriveCFallsBackToHomeOnlyWhenUnmapped) {
    testing::TempDrive drive;
    EnvGuard home("HOME", "/home/somebody");
    EXPECT_EQ(nativePath("c:\\tarnholm"), drive.root.string() + "/tarnholm");
    {
        EnvGuard cleared("DRILL_DRIVE_C", std::nullopt);
        EXPECT_EQ(nativePath("c:\\tarnholm"), "/home/somebody/tarnholm");
        EXPECT_EQ(nativePath("d:\\tarnholm"), std::nullopt);
    }
    {
        EnvGuard empty("DRILL_DRIVE_C", "");
        EXPECT_EQ(nativePath("c:\\tarnholm"), "/home/somebody/tarnholm");
    }
}

TEST(NativePath, RootIsTakenAsItIs) {
    testing::TempDrive drive;
    const std::pair<const char*, const char*> roots[] = {
        {"/mnt/x/", "/mnt/x/a"},
        {"/mnt/x//", "/mnt/x/a"},
        {"/", "/a"},
        {"/mnt/\xC3\xA9t\xC3\xA9", "/mnt/\xC3\xA9t\xC3\xA9/a"},  // already UTF-8: not converted again
    };
    for (auto [root, expected] : roots) {
        EnvGuard d("DRILL_DRIVE_D", root);
        EXPECT_EQ(nativePath("d:\\a"), expected) << root;
    }
}

#endif

TEST(NativePath, NulByteIsABadFileName) {
    testing::TempDrive drive;
    try {
        nativePath(std::string("c:\\a\0b", 6));
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::BadFileName);
    }
}

}  // namespace
}  // namespace drill
