#pragma once
// Routine lines of the script and what a routine name does.
#include <string>
#include <string_view>

namespace drill {

// True when the line's first eight characters, lower-cased, are "`routine".
bool isRoutineLine(std::string_view line);

// True when running the routine of this name ends the program: graph1,
// graph2 and graph3 (in any case) draw nothing yet, every other name ends it.
bool routineEndsProgram(const std::string& name);

}  // namespace drill
