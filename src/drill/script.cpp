#include "drill/script.h"

#include <array>

#include "coding/codec.h"
#include "drill/form_state.h"
#include "pictures/routines.h"
#include "platform/codepage.h"
#include "platform/errors.h"

namespace drill {

namespace {

// The one assignment the program carries; the empty entries keep the texts
// apart when the reader steps through them.
constexpr std::array<const char*, 7> kBuiltInScript = {
    "001.  Part A",
    "",
    "If you were to let the water from one bottle flow into another bottle, with tubes at the "
    "bottom of both bottles and the first bottle full and with water just to the level of the "
    "hole in the second bottle, then how will the water level in the second bottle change with "
    "clock time from the beginning until the water in both bottles is again at the level of the "
    "holes?",
    "",
    "For the situation just described sketch graphs of the flow rate from the first bottle, flow "
    "rate vs. depth for the second bottle and depth vs. clock time for the second.",
    "",
    "Go do the experiment  Measure depth vs. clock time for the second bottle; record the initial "
    "depth in the first bottle.",
};

}  // namespace

void loadScript(FormState& state) {
    for (const char* line : kBuiltInScript) {
        ++state.scriptIndex;
        if (state.scriptIndex < 0 || state.scriptIndex >= kScriptSlots) fail(err::SubscriptOutOfRange);
        state.scriptLines[static_cast<std::size_t>(state.scriptIndex)] = line;
    }
}

std::string routineName(const std::string& line) {
    // The ninth character separates marker and name, whatever it is.
    if (line.size() < 10) return {};
    return cp1252::lowerCase(remSpaces(line.substr(9)));
}

void runRoutine(const std::string& routine) {
    if (routineEndsProgram(routine)) throw EndProgram{};
}

void nextPicture(FormState& state) {
    for (long i = 1; i <= 2; ++i) {
        // Each pass starts from where the previous one left scriptIndex.
        const long n = state.scriptIndex + i;
        // A slot beyond the script holds no routine line.
        if (n < 0 || n >= kScriptSlots) continue;
        const std::string& line = state.scriptLines[static_cast<std::size_t>(n)];
        if (!isRoutineLine(line)) continue;
        runRoutine(routineName(line));
        state.scriptIndex += i;
    }
}

}  // namespace drill
