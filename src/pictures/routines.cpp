#include "pictures/routines.h"

#include "platform/codepage.h"

namespace drill {

namespace {

constexpr std::string_view kRoutineMarker = "`routine";

}  // namespace

bool isRoutineLine(std::string_view line) {
    if (line.size() < kRoutineMarker.size()) return false;
    for (std::size_t i = 0; i < kRoutineMarker.size(); ++i) {
        if (cp1252::lowerByte(static_cast<unsigned char>(line[i])) !=
            static_cast<unsigned char>(kRoutineMarker[i]))
            return false;
    }
    return true;
}

bool routineEndsProgram(const std::string& name) {
    const std::string n = cp1252::lowerCase(name);
    if (n == "exitprog") return true;
    return !(n == "graph1" || n == "graph2" || n == "graph3");
}

}  // namespace drill
