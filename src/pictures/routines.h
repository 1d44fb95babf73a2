#pragma once
#include <string>
#include <string_view>

namespace drill {

// True when the line's first eight characters, lower-cased, are "`routine".
bool isRoutineLine(std::string_view line);

// The routine name of a routine line: from the tenth character, without
// blanks and hyphens, lower-cased.
std::string routineName(const std::string& line);

// True when runRoutine with this name ends the program (anything but graph1..3).
bool routineEndsProgram(const std::string& name);

std::string lowerCase(std::string text);

}  // namespace drill
