#include "coding/codec.h"

#include <string>

#include "platform/errors.h"
#include "platform/numbers.h"
#include "platform/random.h"

namespace drill {

namespace {

char fromCode(double code) {
    if (!(code >= 0 && code <= 255)) fail(err::InvalidArgument);
    return static_cast<char>(static_cast<unsigned char>(code));
}

}  // namespace

std::string code(const std::string& line, const float& /*codeNbr*/) { return line; }

std::string decode(const std::string& line, const float& codeNbr) {
    std::string result;
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int c = static_cast<unsigned char>(line[i]);
        if (c == ' ') {
            result += ' ';
        } else if (c < 66) {
            result += fromCode(roundHalfEven((c + 209) - static_cast<double>(codeNbr)));
        } else if (c > 118) {
            result += fromCode(roundHalfEven((c - static_cast<double>(codeNbr)) - 100));
        }
        // 66..118 are dropped.
    }
    return result;
}

std::string makeCodeLine(const float& codeNbr, Random& random) {
    std::string result;
    // The bound is read once; a key below 1 (or not a number) makes no pass.
    const double passes = codeNbr;
    for (double i = 1; i <= passes; ++i) {
        const float r1 = random.draw();
        if (r1 < 0.1f) {
            const float r2 = random.draw();
            result += static_cast<char>(static_cast<unsigned char>(roundHalfEven(double(r2) * 50 + 66)));
        }
        const float r3 = random.draw();
        result += static_cast<char>(static_cast<unsigned char>(roundHalfEven(double(r3) * 137 + 118)));
    }
    return result;
}

std::string remSpaces(const std::string& line) {
    std::string result;
    result.reserve(line.size());
    for (char c : line) {
        if (c != ' ' && c != '-') result += c;
    }
    return result;
}

}  // namespace drill
