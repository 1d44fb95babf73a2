#pragma once
// A drill wired to fakes and a temporary drive, plus access to its private
// procedures for the tests that exercise them one by one.
#include <memory>
#include <string>

#include "drill/drill.h"
#include "fakes.h"
#include "platform/files.h"

namespace drill {

struct DrillTestAccess {
    static void startUp(Drill& d) { d.startUp(); }
    static void loadScript(Drill& d) { d.loadScript(); }
    static void writeHeader(Drill& d) { d.writeHeader(); }
    static std::string nextSentence(Drill& d, const std::string& line) { return d.nextSentence(line); }
};

namespace testing {

struct DrillRig {
    TempDrive drive;
    FakeToolkit toolkit;
    FakeClock clock;
    ScriptedRandom random;
    std::unique_ptr<Files> files = makeDiskFiles();
    Drill drill{toolkit, *files, clock, random};

    // Answers the four start-up prompts (home user) and runs the load event.
    void loadAs(const std::string& name, const std::string& initials, const std::string& assignment) {
        toolkit.answers = {"1", name, initials, assignment};
        drill.load();
    }
    // Native path of a file in the home data directory.
    std::filesystem::path home(const std::string& file) const { return drive.path("tarnholm/" + file); }
};

}  // namespace testing
}  // namespace drill
