// The picture panels, the routine lines of the script and the experiment
// display.
#include "drill/drill.h"
#include "pictures/routines.h"
#include "platform/errors.h"
#include "platform/random.h"
#include "platform/toolkit.h"

namespace drill {

void Drill::copyPicture() {
    // Picture1 never has a picture unless something gives it one; copying
    // nothing would wipe whatever the clipboard and Picture2 hold, so an
    // empty panel copies nothing.
    const std::optional<Picture> left = toolkit_.picture(Panel::Picture1);
    if (!left) return;
    toolkit_.clipboardPut(*left);
    toolkit_.setPicture(Panel::Picture2, toolkit_.clipboardTake());
}

void Drill::nextPicture() {
    for (long i = 1; i <= 2; ++i) {
        // Each pass starts from where the previous one left scriptIndex.
        const long n = state_.scriptIndex + i;
        // A slot beyond the script holds no routine line.
        if (n < 0 || n >= kScriptSlots) continue;
        const std::string& line = state_.scriptLines[static_cast<std::size_t>(n)];
        if (!isRoutineLine(line)) continue;
        runRoutine(routineName(line));
        state_.scriptIndex += i;
    }
}

void Drill::runRoutine(const std::string& routine) {
    // graph1..graph3 draw nothing yet; every other name ends the program.
    if (routineEndsProgram(routine)) throw EndProgram{};
}

void Drill::pendExp() { toolkit_.enableTimer(); }

void Drill::tick() {
    toolkit_.beep();
    const float r = random_.draw();
    const float radius = r * 500.0f;
    toolkit_.circle(Panel::Picture1, 500, 500, radius);
}

}  // namespace drill
