#pragma once
// The line codec of the master, send and notes files.
#include <string>

namespace drill {

class Random;

// Per-line transform of every record text: returns the text unchanged.
std::string code(const std::string& line, const float& codeNbr);

// Keyed mapping that drops codes 66..118; throws RuntimeError(5) when a
// computed code falls outside 0..255.
std::string decode(const std::string& line, const float& codeNbr);

// Cover line: codeNbr passes of an optional filler (66..116, about one pass in
// ten) and a cover character (118..255); draws r1, [r2], r3 per pass.
std::string makeCodeLine(const float& codeNbr, Random& random);

// The text without blanks and hyphens.
std::string remSpaces(const std::string& line);

}  // namespace drill
