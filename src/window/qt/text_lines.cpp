#include "text_lines.h"

#include <QFontMetricsF>
#include <QString>
#include <QTextBoundaryFinder>
#include <cmath>
#include <cstring>

#include "code_page_text.h"

namespace drill {

namespace {

QChar unicodeOf(unsigned char c) {
    const char byte = static_cast<char>(c);
    return toQt(std::string_view(&byte, 1)).at(0);
}

// What a character can be in a number, as Qt's rules read numbers:
// (prefix|postfix)? (open|hyphen)? digit (digit|infix)* close? (prefix|postfix)?
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
    // Currency signs and the like before or after a number.
    if (std::strchr("$%+\\", c) != nullptr && c != 0) return Part::Fix;
    switch (c) {
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

// Where Qt's rules allow a line break between two characters of the code
// page that stand side by side. Asked of Qt once for every pair (a few
// milliseconds, the first time a box is laid out).
class BreakRules {
public:
    BreakRules() {
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
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, probe);
        for (std::size_t k = 0; k < at.size(); ++k) {
            finder.setPosition(at[k]);
            if (finder.isAtBoundary()) bits_[k / 64] |= std::uint64_t{1} << (k % 64);
        }
        // Characters of words: no two of them break a line between them and
        // none is part of a number, so inside a word only widths add up.
        // The letters first, then whatever keeps that true.
        std::vector<unsigned char> order;
        for (int c = 'a'; c <= 'z'; ++c) order.push_back(static_cast<unsigned char>(c));
        for (int c = 'A'; c <= 'Z'; ++c) order.push_back(static_cast<unsigned char>(c));
        for (int c = 0x80; c < 256; ++c) order.push_back(static_cast<unsigned char>(c));
        for (int c = 0x21; c < 0x80; ++c) order.push_back(static_cast<unsigned char>(c));
        std::vector<unsigned char> chosen;
        for (const unsigned char c : order) {
            if (plain_[c] || kParts[c] != Part::Other || hangs(c) || isControl(c) || c == '\r' || c == '\n') continue;
            bool fits = !between(c, c);
            for (const unsigned char b : chosen) fits = fits && !between(b, c) && !between(c, b);
            if (!fits) continue;
            plain_[c] = true;
            chosen.push_back(c);
        }
    }

    bool plain(unsigned char c) const { return plain_[c]; }

    bool between(unsigned char a, unsigned char b) const { return bit(std::size_t{a} * 256 + b); }

private:
    bool bit(std::size_t k) const { return (bits_[k / 64] >> (k % 64)) & 1U; }
    std::array<std::uint64_t, 65536 / 64> bits_{};
    std::array<bool, 256> plain_{};
};

const BreakRules& breakRules() {
    static const BreakRules rules;
    return rules;
}

Fixed toFixed(qreal px) { return static_cast<Fixed>(std::llround(px * kFixedOne)); }

}  // namespace

TextMetrics::TextMetrics(const QFont& font) : raw_(QRawFont::fromFont(font)) {
    const QFontMetricsF metrics(font);
    ascent_ = metrics.ascent();
    // Whole pixels a line, as Qt's text boxes lay lines out.
    lineHeight_ = std::ceil(metrics.lineSpacing());
    QString all;
    for (int c = 0; c < 256; ++c) all += unicodeOf(static_cast<unsigned char>(c));
    const QList<quint32> glyphs = raw_.isValid() ? raw_.glyphIndexesForString(all) : QList<quint32>();
    const QList<QPointF> advances = raw_.isValid() ? raw_.advancesForGlyphIndexes(glyphs) : QList<QPointF>();
    for (std::size_t c = 0; c < 256; ++c) {
        const QChar u = all.at(static_cast<qsizetype>(c));
        const bool printable = u.isPrint() && c != 0xAD;
        const bool haveGlyph = glyphs.size() == 256 && glyphs[static_cast<qsizetype>(c)] != 0;
        glyph_[c] = haveGlyph ? glyphs[static_cast<qsizetype>(c)] : 0;
        // A character the font lacks is drawn and measured as Qt does, with a
        // fallback font; a non-printing one shows as the font's missing glyph.
        drawnByQt_[c] = printable && !haveGlyph;
        if (haveGlyph || !printable)
            advance_[c] = advances.size() == 256 ? toFixed(advances[static_cast<qsizetype>(c)].x()) : 0;
        else
            advance_[c] = toFixed(metrics.horizontalAdvance(u));
        invisible_[c] = hangs(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
    }
    // The soft hyphen only marks where a word may be split: nothing shows.
    advance_[0xAD] = 0;
    invisible_[0xAD] = true;
}

Fixed TextMetrics::advance(unsigned char c, Fixed x) const {
    if (c == '\t') return (x / tabStop_ + 1) * tabStop_ - x;
    return advance_[c];
}

std::size_t TextMetrics::nextLineStart(std::string_view text, std::size_t from, Fixed width) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const BreakRules& rules = breakRules();
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // Qt's text layout breaks a line after any run of blanks, and between
    // two other characters where its rules allow, but never inside a number
    // ("5.2", "12:30", "(10)"), which two characters alone cannot tell: the
    // last break of each kind, and the last between characters up to the
    // start of the number being read.
    std::size_t afterBlanks = kNone;
    std::size_t between = kNone;
    std::size_t beforeNumber = kNone;
    std::size_t numberStart = 0;
    Part number = Part::Other;
    Fixed x = 0;
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
        if (rules.plain(c) && rules.plain(prev) && number == Part::Other) {
            for (;;) {
                x += advance_[c];
                if (x > width && i > from) return breakBefore(i);
                if (i + 1 == n || !rules.plain(s[i + 1])) break;
                c = s[++i];
            }
            prev = c;
            continue;
        }
        // A line break ends the line: CR LF, as the box keeps it.
        if (c == '\r' || c == '\n') return i + 1 < n && c == '\r' && s[i + 1] == '\n' ? i + 2 : i + 1;
        // Blanks, and control characters that go with the one before them,
        // are no part of a number and do not end one.
        if (c != ' ' && !(isControl(c) && prev != ' ' && prev != 0)) {
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
            if (hangs(prev)) {
                if (!hangs(c)) afterBlanks = i;
            } else if (rules.between(prev, c)) {
                between = i;
                if (number == Part::Other || i == numberStart) beforeNumber = i;
            }
        }
        prev = c;
        if (hangs(c)) {
            x += advance(c, x);
            continue;
        }
        x += advance_[c];
        if (x > width && i > from) return breakBefore(i);
    }
    return n + 1;
}

Fixed TextMetrics::xOf(std::string_view text, std::size_t from, std::size_t to) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    Fixed x = 0;
    for (std::size_t i = from; i < to; ++i) x += advance(s[i], x);
    return x;
}

std::size_t TextMetrics::positionAt(std::string_view text, std::size_t from, std::size_t end, Fixed x) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    // Past the last character that shows, the caret goes to the end, as in
    // Qt: blanks hanging at the end of a line are not stepped through.
    std::size_t shown = end;
    while (shown > from && hangs(s[shown - 1])) --shown;
    Fixed left = 0;
    for (std::size_t i = from; i < shown; ++i) {
        const Fixed w = advance(s[i], left);
        // Nearer the character's left edge than its right: before it.
        if (x < left + w / 2) return i;
        left += w;
    }
    return x < left ? shown : end;
}

}  // namespace drill
