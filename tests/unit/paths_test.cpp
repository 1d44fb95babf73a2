#include "platform/paths.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/errors.h"

namespace drill {
namespace {

// Sets or clears one environment variable for the length of a test.
class EnvGuard {
public:
    EnvGuard(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        if (value) setenv(name_.c_str(), value, 1);
        else unsetenv(name_.c_str());
    }
    ~EnvGuard() {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1);
        else unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

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
        EnvGuard cleared("DRILL_DRIVE_C", nullptr);
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
