#pragma once
// How a text box lays out code-page text. A box holds at most 256 different
// characters, so the width of each in the box's font is known before any text
// comes, and where a line may break between two of them is asked of Qt's own
// line-break rules once: wrapping a paragraph then costs one pass over its
// bytes, and only the lines in view are ever drawn.
#include <QFont>
#include <QRawFont>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace drill {

// Widths in 64ths of a pixel, as the font engine gives them: sums are exact.
using Fixed = std::int64_t;
constexpr Fixed kFixedOne = 64;

class TextMetrics {
public:
    explicit TextMetrics(const QFont& font);

    // Where the line that starts at `from` ends: the position the next line
    // starts at, or text.size() + 1 after the last line. A line ends after a
    // line break (CR LF), at the last place Qt's rules allow a break before the
    // text passes `width`, or, for a word longer than the line, where it
    // passes. Blanks at the end of a line hang past the width, as in Qt.
    std::size_t nextLineStart(std::string_view text, std::size_t from, Fixed width) const;

    // The x of position `to` in the line that starts at `from`.
    Fixed xOf(std::string_view text, std::size_t from, std::size_t to) const;
    // The position between `from` and `end` nearest to x.
    std::size_t positionAt(std::string_view text, std::size_t from, std::size_t end, Fixed x) const;
    // The advance of character c standing at x (a tab goes to the next stop).
    Fixed advance(unsigned char c, Fixed x) const;

    const QRawFont& rawFont() const { return raw_; }
    quint32 glyph(unsigned char c) const { return glyph_[c]; }
    // Characters the font has no glyph for are drawn by Qt with its fallback.
    bool drawnByQt(unsigned char c) const { return drawnByQt_[c]; }
    // Nothing is drawn for blanks, tabs and line breaks.
    bool invisible(unsigned char c) const { return invisible_[c]; }

    qreal ascent() const { return ascent_; }
    qreal lineHeight() const { return lineHeight_; }

private:
    QRawFont raw_;
    std::array<Fixed, 256> advance_{};
    std::array<quint32, 256> glyph_{};
    std::array<bool, 256> drawnByQt_{};
    std::array<bool, 256> invisible_{};
    Fixed tabStop_ = 80 * kFixedOne;
    qreal ascent_ = 0;
    qreal lineHeight_ = 1;
};

// Blanks that hang past the end of a line rather than wrap it.
inline bool hangs(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

}  // namespace drill
