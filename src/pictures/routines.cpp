#include "pictures/routines.h"

#include "coding/codec.h"

namespace drill {

namespace {

constexpr std::string_view kRoutineMarker = "`routine";

// Lower case of one Windows-1252 byte: ASCII letters, the Latin-1 capitals
// (but the multiplication sign) and the four capitals in the 0x80 block.
unsigned char lowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
    }
}

}  // namespace

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(lowerByte(static_cast<unsigned char>(c)));
    return text;
}

bool isRoutineLine(std::string_view line) {
    if (line.size() < kRoutineMarker.size()) return false;
    for (std::size_t i = 0; i < kRoutineMarker.size(); ++i) {
        if (lowerByte(static_cast<unsigned char>(line[i])) != static_cast<unsigned char>(kRoutineMarker[i]))
            return false;
    }
    return true;
}

std::string routineName(const std::string& line) {
    // The ninth character separates marker and name, whatever it is.
    if (line.size() < 10) return {};
    return lowerCase(remSpaces(line.substr(9)));
}

bool routineEndsProgram(const std::string& name) {
    const std::string n = lowerCase(name);
    if (n == "exitprog") return true;
    return !(n == "graph1" || n == "graph2" || n == "graph3");
}

}  // namespace drill
