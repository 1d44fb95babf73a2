#pragma once
// How a big box lays out code-page text, whatever toolkit draws it. A box
// holds at most 256 different characters, so the width of each in the box's
// font, and where a line may break between two of them, are known before any
// text comes: wrapping a paragraph then costs one pass over its bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace drill::editing {

// A width or an x, in whatever unit the front end measures in (64ths of a
// pixel on one, pixels on another): sums of widths are exact.
using Coord = std::int64_t;

// The advance of each character of the code page in a box's font.
struct CharWidths {
    std::array<Coord, 256> advance{};
    Coord tabStop = 1;

    // The advance of c standing at x: a tab goes to the next stop.
    Coord of(unsigned char c, Coord x) const {
        return c == '\t' ? (x / tabStop + 1) * tabStop - x : advance[c];
    }
    // The x of `to` in a line that starts at `from`.
    Coord xOf(std::string_view text, std::size_t from, std::size_t to) const;
};

// Where a line may end. Every rule breaks a line after a line break, after
// a run of hanging blanks (which may pass the width), and inside a word too
// long for a line where it passes. A rule with pairs also breaks between
// two characters where the pair table allows, but never inside a number
// ("5.2", "12:30", "(10)").
class WrapRule {
public:
    // Bit a * 256 + b: a line may break between a and b.
    using PairTable = std::array<std::uint64_t, 65536 / 64>;

    // Only after blanks: ' ' and '\t' hang.
    WrapRule();
    // Between pairs too, as a text box with the rules of Unicode line
    // breaking wraps: ' ', '\t', '\v' and '\f' hang.
    explicit WrapRule(const PairTable& pairs);

    bool hangs(unsigned char c) const { return hangs_[c]; }

    // Where the line that starts at `from` ends: where the next line starts,
    // or text.size() + 1 after the last line.
    std::size_t nextLineStart(std::string_view text, std::size_t from, Coord width, const CharWidths& widths) const;

private:
    bool between(unsigned char a, unsigned char b) const {
        const std::size_t k = std::size_t{a} * 256 + b;
        return (pairs_[k / 64] >> (k % 64)) & 1U;
    }

    bool withPairs_ = false;
    PairTable pairs_{};
    std::array<bool, 256> hangs_{};
    // Characters of words: no two break a line between them and none is part
    // of a number, so inside a word only widths add up.
    std::array<bool, 256> plain_{};
};

// The text as a box keeps it: CR LF, a lone CR and a lone LF each become
// CR LF; every other byte stays.
std::string withCrLf(std::string_view text);
// True when every CR has an LF after it and every LF a CR before it.
bool onlyCrLf(std::string_view text);

}  // namespace drill::editing
