#pragma once
// What a big box's font makes of each of the 256 characters of the code
// page: its width and where a line may break between two of them, for the
// editing core, and the glyph that draws it. Asked of Qt once per font: a
// paragraph is then wrapped in one pass over its bytes and only the lines
// in view are drawn.
#include <QFont>
#include <QRawFont>
#include <array>

#include "window/editing/text_editor.h"

namespace drill {

// Widths in 64ths of a pixel, as the font engine gives them: sums are exact.
constexpr editing::Coord kFixedOne = 64;

class BoxFont {
public:
    explicit BoxFont(const QFont& font);

    const editing::Metrics& metrics() const { return metrics_; }
    const QRawFont& rawFont() const { return raw_; }
    quint32 glyph(unsigned char c) const { return glyph_[c]; }
    // Characters the font has no glyph for are drawn by Qt with its fallback.
    bool drawnByQt(unsigned char c) const { return drawnByQt_[c]; }
    // Nothing is drawn for blanks, tabs and line breaks.
    bool invisible(unsigned char c) const { return invisible_[c]; }
    qreal ascent() const { return ascent_; }

private:
    editing::Metrics metrics_;
    QRawFont raw_;
    std::array<quint32, 256> glyph_{};
    std::array<bool, 256> drawnByQt_{};
    std::array<bool, 256> invisible_{};
    qreal ascent_ = 0;
};

}  // namespace drill
