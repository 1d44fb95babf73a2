#include "box_font.h"

#include <QFontMetricsF>
#include <QString>
#include <QTextBoundaryFinder>
#include <cmath>
#include <memory>
#include <vector>

#include "code_page_text.h"

namespace drill {

namespace {

QChar unicodeOf(unsigned char c) {
    const char byte = static_cast<char>(c);
    return toQt(std::string_view(&byte, 1)).at(0);
}

editing::Coord toFixed(qreal px) { return static_cast<editing::Coord>(std::llround(px * kFixedOne)); }

// Where Qt's rules allow a line break between two characters of the code
// page that stand side by side. Asked of Qt once for every pair (a few
// milliseconds, the first time a box is laid out).
const editing::WrapRule& qtWrapRule() {
    static const editing::WrapRule rule = [] {
        QString probe;
        probe.reserve(256 * 256 * 5);
        std::vector<qsizetype> at;
        at.reserve(256 * 256);
        std::array<QChar, 256> u;
        for (int c = 0; c < 256; ++c) u[static_cast<std::size_t>(c)] = unicodeOf(static_cast<unsigned char>(c));
        // Each pair stands between letters, as in running text; a line break
        // ends each probe, and the letter after the pair ends any number
        // that Qt's rules would otherwise carry into the next probe.
        for (std::size_t a = 0; a < 256; ++a) {
            for (std::size_t b = 0; b < 256; ++b) {
                probe += u'x';
                probe += u[a];
                at.push_back(probe.size());
                probe += u[b];
                probe += u'x';
                probe += u'\n';
            }
        }
        auto pairs = std::make_unique<editing::WrapRule::PairTable>();
        pairs->fill(0);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, probe);
        for (std::size_t k = 0; k < at.size(); ++k) {
            finder.setPosition(at[k]);
            if (finder.isAtBoundary()) (*pairs)[k / 64] |= std::uint64_t{1} << (k % 64);
        }
        return editing::WrapRule(*pairs);
    }();
    return rule;
}

}  // namespace

BoxFont::BoxFont(const QFont& font) : metrics_{{}, qtWrapRule(), 1}, raw_(QRawFont::fromFont(font)) {
    const QFontMetricsF fm(font);
    ascent_ = fm.ascent();
    // Whole pixels a line, as Qt's text boxes lay lines out.
    metrics_.lineHeight = std::max(1, static_cast<int>(std::ceil(fm.lineSpacing())));
    editing::CharWidths& widths = metrics_.widths;
    widths.tabStop = 80 * kFixedOne;
    QString all;
    for (int c = 0; c < 256; ++c) all += unicodeOf(static_cast<unsigned char>(c));
    const QList<quint32> glyphs = raw_.isValid() ? raw_.glyphIndexesForString(all) : QList<quint32>();
    const QList<QPointF> advances = raw_.isValid() ? raw_.advancesForGlyphIndexes(glyphs) : QList<QPointF>();
    for (std::size_t c = 0; c < 256; ++c) {
        const auto k = static_cast<qsizetype>(c);
        const QChar u = all.at(k);
        const bool printable = u.isPrint() && c != 0xAD;
        const bool haveGlyph = glyphs.size() == 256 && glyphs[k] != 0;
        glyph_[c] = haveGlyph ? glyphs[k] : 0;
        // A character the font lacks is drawn and measured as Qt does, with a
        // fallback font; a non-printing one shows as the font's missing glyph.
        drawnByQt_[c] = printable && !haveGlyph;
        if (haveGlyph || !printable)
            widths.advance[c] = advances.size() == 256 ? toFixed(advances[k].x()) : 0;
        else
            widths.advance[c] = toFixed(fm.horizontalAdvance(u));
        invisible_[c] = metrics_.rule.hangs(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
    }
    // The soft hyphen only marks where a word may be split: nothing shows.
    widths.advance[0xAD] = 0;
    invisible_[0xAD] = true;
}

}  // namespace drill
