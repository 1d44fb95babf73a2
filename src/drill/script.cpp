#include <array>

#include "drill/drill.h"
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

void Drill::loadScript() {
    for (const char* line : kBuiltInScript) {
        ++state_.scriptIndex;
        if (state_.scriptIndex < 0 || state_.scriptIndex >= kScriptSlots) fail(err::SubscriptOutOfRange);
        state_.scriptLines[static_cast<std::size_t>(state_.scriptIndex)] = line;
    }
}

}  // namespace drill
