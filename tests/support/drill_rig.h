#pragma once
// A drill wired to fakes and a temporary drive; its procedures are called
// through the session, its commands through the drill.
#include <memory>
#include <string>

#include "drill/drill.h"
#include "drill/form_state.h"
#include "drill/session.h"
#include "fakes.h"
#include "faults.h"
#include "platform/files.h"

namespace drill::testing {

struct DrillRig {
    TempDrive drive;
    FakeToolkit toolkit;
    FakeClock clock;
    ScriptedRandom random;
    LimitedDisk disk;
    std::unique_ptr<Files> files = makeDiskFiles(disk.fileSystem());
    FormState state;
    Session session{toolkit, *files, clock, random, state};
    Drill drill{session};

    // Answers the four start-up prompts (home user) and runs the load event.
    void loadAs(const std::string& name, const std::string& initials, const std::string& assignment) {
        toolkit.answers = {"1", name, initials, assignment};
        drill.load();
    }
    // Native path of a file in the home data directory.
    std::filesystem::path home(const std::string& file) const { return drive.path("tarnholm/" + file); }
};

}  // namespace drill::testing
