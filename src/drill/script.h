#pragma once
// The built-in script, and the routine lines that stand in a script.
#include <string>

namespace drill {

struct FormState;

// Fills the script with the one assignment the program carries (called when
// scriptIndex is 0; leaves it on the last line stored).
void loadScript(FormState& state);

// The routine name of a routine line: from the tenth character, without
// blanks and hyphens, lower-cased.
std::string routineName(const std::string& line);

// Runs a routine: graph1 to graph3 do nothing, every other name ends the
// program (throws EndProgram).
void runRoutine(const std::string& routine);

// The next-picture command: acts on routine lines among the two after the
// current one, moving scriptIndex past those it ran.
void nextPicture(FormState& state);

}  // namespace drill
