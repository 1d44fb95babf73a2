#include "window/editing/text_layout.h"

#include <cstring>
#include <vector>

namespace drill::editing {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// What a character can be in a number, as the Unicode rules of line breaking
// read numbers: (prefix|postfix)? (open|hyphen)? digit (digit|infix)* close? (prefix|postfix)?
enum class Part { Other, Fix, Open, Digit, Infix, Close };
enum class Step { Drop, Start, Go, End };

constexpr Step kNumberSteps[6][6] = {
    // Other        Fix          Open         Digit        Infix        Close
    {Step::Drop, Step::Start, Step::Start, Step::Start, Step::Drop, Step::Drop},  // Other
    {Step::Drop, Step::Start, Step::Go, Step::Go, Step::Drop, Step::Drop},        // Fix
    {Step::Drop, Step::Start, Step::Start, Step::Go, Step::Drop, Step::Drop},     // Open
    {Step::End, Step::End, Step::End, Step::Go, Step::Go, Step::Go},              // Digit
    {Step::End, Step::End, Step::End, Step::Go, Step::Go, Step::Go},              // Infix
    {Step::End, Step::Go, Step::End, Step::End, Step::End, Step::End},            // Close
};

Part partOf(unsigned char c) {
    if (c >= '0' && c <= '9') return Part::Digit;
    switch (c) {
        // Currency signs and the like before or after a number.
        case '$': case '%': case '+': case '\\':
        case 0x80: case 0x89: case 0xA2: case 0xA3: case 0xA4: case 0xA5: case 0xB0: case 0xB1: return Part::Fix;
        case '(': case '[': case '{': case '-': case 0x82: case 0x84: case 0xA1: case 0xBF: return Part::Open;
        // Separators within a number, and mathematical signs.
        case ',': case '.': case '/': case ':': case ';': case '<': case '=': case '>': case '~':
        case 0xAC: case 0xD7: case 0xF7: return Part::Infix;
        case ')': case ']': case '}': return Part::Close;
        default: return Part::Other;
    }
}

// Control characters: they go with the character before them.
bool isControl(unsigned char c) {
    return (c < 0x20 && (c < '\t' || c > '\r')) || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 ||
           c == 0x9D;
}

// Looked up for every byte laid out.
const std::array<Part, 256> kParts = [] {
    std::array<Part, 256> parts{};
    for (std::size_t c = 0; c < 256; ++c) parts[c] = partOf(static_cast<unsigned char>(c));
    return parts;
}();

}  // namespace

Coord CharWidths::xOf(std::string_view text, std::size_t from, std::size_t to) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    Coord x = 0;
    for (std::size_t i = from; i < to; ++i) x += of(s[i], x);
    return x;
}

WrapRule::WrapRule() {
    hangs_[' '] = hangs_['\t'] = true;
    for (std::size_t c = 0; c < 256; ++c) plain_[c] = !hangs_[c] && c != '\r' && c != '\n';
}

WrapRule::WrapRule(const PairTable& pairs) : withPairs_(true), pairs_(pairs) {
    hangs_[' '] = hangs_['\t'] = hangs_['\v'] = hangs_['\f'] = true;
    // The letters first, then whatever keeps the words' property true.
    std::vector<unsigned char> order;
    for (int c = 'a'; c <= 'z'; ++c) order.push_back(static_cast<unsigned char>(c));
    for (int c = 'A'; c <= 'Z'; ++c) order.push_back(static_cast<unsigned char>(c));
    for (int c = 0x80; c < 256; ++c) order.push_back(static_cast<unsigned char>(c));
    for (int c = 0x21; c < 0x80; ++c) order.push_back(static_cast<unsigned char>(c));
    std::vector<unsigned char> chosen;
    for (const unsigned char c : order) {
        if (plain_[c] || kParts[c] != Part::Other || hangs_[c] || isControl(c) || c == '\r' || c == '\n') continue;
        bool fits = !between(c, c);
        for (const unsigned char b : chosen) fits = fits && !between(b, c) && !between(c, b);
        if (!fits) continue;
        plain_[c] = true;
        chosen.push_back(c);
    }
}

std::size_t WrapRule::nextLineStart(std::string_view text, std::size_t from, Coord width,
                                    const CharWidths& widths) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    // The last break after blanks, the last between two characters, and the
    // last between characters up to the start of the number being read.
    std::size_t afterBlanks = kNone;
    std::size_t between = kNone;
    std::size_t beforeNumber = kNone;
    std::size_t numberStart = 0;
    Part number = Part::Other;
    Coord x = 0;
    unsigned char prev = 0;  // none at the start of a line
    // Where the line that passes the width at i breaks.
    const auto breakBefore = [&](std::size_t i) {
        const bool inNumber = number == Part::Digit || number == Part::Infix || number == Part::Close;
        const std::size_t pair = inNumber ? beforeNumber : between;
        std::size_t at = afterBlanks;
        if (pair != kNone && (at == kNone || pair > at)) at = pair;
        return at != kNone && at > from ? at : i;
    };
    for (std::size_t i = from; i < n; ++i) {
        unsigned char c = s[i];
        // Inside a word only the width changes: the rest of the word in a
        // loop of its own, the most of any text's bytes.
        if (plain_[c] && plain_[prev] && number == Part::Other) {
            for (;;) {
                x += widths.advance[c];
                if (x > width && i > from) return breakBefore(i);
                if (i + 1 == n || !plain_[s[i + 1]]) break;
                c = s[++i];
            }
            prev = c;
            continue;
        }
        // A line break ends the line: CR LF, as the box keeps it.
        if (c == '\r' || c == '\n') return i + 1 < n && c == '\r' && s[i + 1] == '\n' ? i + 2 : i + 1;
        if (withPairs_ && c != ' ' && !(isControl(c) && prev != ' ' && prev != 0)) {
            // Blanks, and control characters that go with the one before
            // them, are no part of a number and do not end one.
            const Part part = kParts[c];
            switch (kNumberSteps[static_cast<int>(number)][static_cast<int>(part)]) {
                case Step::End:
                    between = beforeNumber;
                    number = Part::Other;
                    break;
                case Step::Drop:
                    number = Part::Other;
                    beforeNumber = between;
                    break;
                case Step::Start:
                    number = part;
                    numberStart = i;
                    beforeNumber = between;
                    break;
                case Step::Go: number = part; break;
            }
        }
        if (i > from) {
            if (hangs_[prev]) {
                if (!hangs_[c]) afterBlanks = i;
            } else if (withPairs_ && this->between(prev, c)) {
                between = i;
                if (number == Part::Other || i == numberStart) beforeNumber = i;
            }
        }
        prev = c;
        if (hangs_[c]) {
            x += widths.of(c, x);
            continue;
        }
        x += widths.advance[c];
        if (x > width && i > from) return breakBefore(i);
    }
    return n + 1;
}

bool onlyCrLf(std::string_view text) {
    if (text.empty()) return true;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const auto next = [end](const char* from, char c) {
        return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
    };
    for (const char* p = next(begin, '\n'); p != nullptr; p = next(p + 1, '\n'))
        if (p == begin || p[-1] != '\r') return false;
    for (const char* p = next(begin, '\r'); p != nullptr; p = next(p + 1, '\r'))
        if (p + 1 == end || p[1] != '\n') return false;
    return true;
}

std::string withCrLf(std::string_view text) {
    if (onlyCrLf(text)) return std::string(text);
    const std::size_t n = text.size();
    std::string out;
    out.reserve(n + n / 8);
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace drill::editing
