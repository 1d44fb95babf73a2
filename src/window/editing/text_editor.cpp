#include "window/editing/text_editor.h"

#include <algorithm>
#include <cstring>

namespace drill::editing {

namespace {

using Words = Conventions::Words;

bool lineBreakAt(std::string_view s, std::size_t at) {
    return at + 1 < s.size() && s[at] == '\r' && s[at + 1] == '\n';
}

// Blanks between words: what a word move steps over.
bool isBlank(Words words, unsigned char c) {
    if (words == Words::ClassesWithBlanks) return c == ' ' || c == '\t';
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0xA0;
}

// Punctuation that is a word of its own, between the others.
bool isSeparator(unsigned char c) {
    return c != 0 && std::strchr(".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\", c) != nullptr;
}

// Letters and digits of the code page, one class; every other character
// that is no blank, another.
bool isWordChar(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == 0x8A ||
           c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F || c >= 0xC0;
}

// What kind of run a character belongs to: 0 blanks, 1 a line break, then
// the kinds of word.
int kindOf(Words words, unsigned char c) {
    if (isBlank(words, c) && c != '\r' && c != '\n') return 0;
    if (c == '\r' || c == '\n') return 1;
    if (words == Words::Separators) return isSeparator(c) ? 2 : 3;
    return isWordChar(c) ? 2 : 3;
}

long long floorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

}  // namespace

TextEditor::TextEditor(EditorHost& host, const Conventions& conventions) : host_(host), conventions_(conventions) {}

// ---- Text -----------------------------------------------------------------

bool TextEditor::put(std::string_view text) {
    std::string now = withCrLf(text);
    const bool added = now.size() > text_.size() && now.compare(0, text_.size(), text_) == 0;
    setWhole(std::move(now), true);
    return added;
}

void TextEditor::reset(std::string_view text) {
    setWhole(withCrLf(text), false);
    history_.clear();
}

// Text that only adds to what the box holds is laid out from the box's last
// line on; any other is laid out anew when next shown. The caret goes to
// the start, and the start comes into view.
void TextEditor::setWhole(std::string now, bool undoable) {
    const bool moved = caret_ != 0 || anchor_ != 0;
    wantedX_ = -1;
    pageY_ = -1;
    modified_ = false;
    if (now != text_) {
        const std::size_t at =
            now.size() > text_.size() && now.compare(0, text_.size(), text_) == 0 ? text_.size() : 0;
        std::string removed = text_.substr(at);
        std::string inserted = now.substr(at);
        if (undoable) history_.prepare(at, removed.size(), inserted.size(), Run::Program);
        if (at > 0) {
            splice(at, 0, inserted);
        } else {
            text_.swap(now);
            lines_.clear();
        }
        caret_ = anchor_ = 0;
        const std::size_t size = inserted.size();
        std::string told;
        if (undoable)
            history_.record(at, std::move(removed), std::move(inserted), Run::Program);
        else
            told = std::move(removed);
        // A step of the program's is never joined by another: the last.
        host_.textChanged(TextChange{at, undoable ? history_.toUndo().removed : told, size});
    }
    caret_ = anchor_ = 0;
    if (moved) host_.selectionChanged();
    scrollTo(0);
}

std::string TextEditor::selectedText() const {
    return text_.substr(selectionStart(), selectionEnd() - selectionStart());
}

void TextEditor::select(std::size_t anchor, std::size_t caret, bool reveal) {
    placeCaret(validPosition(anchor), validPosition(caret), false, reveal);
}

std::size_t TextEditor::validPosition(std::size_t at) const {
    at = std::min(at, text_.size());
    return at > 0 && lineBreakAt(text_, at - 1) ? at - 1 : at;
}

void TextEditor::selectAll() { placeCaret(0, text_.size()); }

void TextEditor::placeCaret(std::size_t anchor, std::size_t caret, bool keepColumn, bool reveal) {
    if (!keepColumn) {
        wantedX_ = -1;
        pageY_ = -1;
    }
    anchor_ = anchor;
    caret_ = caret;
    if (reveal) revealCaret();
    host_.selectionChanged();
}

// ---- Changes --------------------------------------------------------------

void TextEditor::splice(std::size_t at, std::size_t length, std::string_view now) {
    std::string was = text_.substr(at, length);
    text_.replace(at, length, now);
    try {
        relayoutAfter(at, length, now.size());
    } catch (...) {
        text_.replace(at, now.size(), was);  // within the capacity it had: cannot fail
        throw;
    }
}

void TextEditor::replace(std::size_t at, std::size_t length, std::string_view bytes, Run run) {
    // An edit that changes nothing is no step: what could be redone stays.
    if (length == 0 && bytes.empty()) return;
    std::string removed = text_.substr(at, length);
    std::string inserted(bytes);
    history_.prepare(at, removed.size(), inserted.size(), run);
    splice(at, length, bytes);
    const std::size_t end = at + bytes.size();
    history_.record(at, removed, std::move(inserted), run);
    modified_ = true;
    host_.textChanged(TextChange{at, removed, bytes.size()});
    placeCaret(end, end);
}

void TextEditor::replaceSelection(std::string_view bytes, Run run) {
    replace(selectionStart(), selectionEnd() - selectionStart(), bytes, run);
}

void TextEditor::type(std::string_view bytes) { replaceSelection(withCrLf(bytes), Run::Typing); }

void TextEditor::insert(std::string_view bytes) { replaceSelection(withCrLf(bytes), Run::None); }

void TextEditor::erase(Erase what) {
    if (hasSelection() && what != Erase::ToParagraphEnd) {
        replaceSelection({}, Run::None);
        return;
    }
    std::size_t from = caret_, to = caret_;
    Run run = Run::None;
    switch (what) {
        case Erase::PreviousChar:
            from = previousChar(caret_);
            run = Run::Deleting;
            break;
        case Erase::NextChar:
            to = nextChar(caret_);
            run = Run::Deleting;
            break;
        case Erase::PreviousWord: from = previousWord(caret_); break;
        case Erase::NextWord: to = nextWord(caret_); break;
        case Erase::ToParagraphEnd: {
            // From the anchor to the paragraph's end; at the end, only what
            // is selected.
            const std::size_t end = paragraphEnd(caret_);
            from = std::min(anchor_, end);
            to = std::max(anchor_, end);
            break;
        }
    }
    replace(from, to - from, {}, run);
}

void TextEditor::cut() {
    if (!hasSelection()) return;
    copy();
    replaceSelection({}, Run::None);
}

void TextEditor::copy() {
    if (hasSelection()) host_.setClipboardText(selectedText());
}

void TextEditor::paste() {
    const std::string pasted = host_.clipboardText();
    if (!pasted.empty()) insert(pasted);
}

void TextEditor::undo() { travel(false); }

void TextEditor::redo() { travel(true); }

// Takes the last step back, or makes the last step undone again.
void TextEditor::travel(bool forward) {
    if (forward ? !history_.canRedo() : !history_.canUndo()) return;
    const EditHistory::Step& step = forward ? history_.toRedo() : history_.toUndo();
    const std::string& now = forward ? step.removed : step.inserted;
    const std::string& was = forward ? step.inserted : step.removed;
    splice(step.at, now.size(), was);
    forward ? history_.redone() : history_.undone();
    // Unchanged by the student: just after a text of the program's.
    const EditHistory::Step* last = history_.canUndo() ? &history_.toUndo() : nullptr;
    modified_ = last != nullptr && last->run != Run::Program;
    host_.textChanged(TextChange{step.at, now, was.size()});
    const std::size_t end = step.at + was.size();
    placeCaret(conventions_.undoSelects ? step.at : end, end);
}

// ---- Layout ---------------------------------------------------------------

void TextEditor::ensureLayout() {
    const Coord width = host_.wrapWidth();
    if (!lines_.empty() && laidOutWidth_ == width) return;
    const Metrics& m = host_.metrics();
    std::vector<std::size_t> lines;
    const std::size_t n = text_.size();
    for (std::size_t at = 0; at <= n; at = m.rule.nextLineStart(text_, at, width, m.widths)) lines.push_back(at);
    lines_.swap(lines);
    laidOutWidth_ = width;
    lastLaidOut_ = n;
    top_ = std::min(top_, maxTop());
}

// Lazily: a box gets its font before it is shown, and measuring a font
// is the dearest thing a box does before the first prompt.
void TextEditor::relayout() { lines_.clear(); }

// Lays out anew from the line before the change until a line starts where
// one started before it (moved by the change); the lines after are only
// moved. Typing into a paragraph of megabytes lays out a few lines.
void TextEditor::relayoutAfter(std::size_t at, std::size_t removed, std::size_t inserted) {
    if (lines_.empty() || laidOutWidth_ != host_.wrapWidth()) {
        lines_.clear();
        return;
    }
    const Metrics& m = host_.metrics();
    const auto shifted = [&](std::size_t start) { return start - removed + inserted; };
    std::size_t first = static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at) - lines_.begin()) - 1;
    if (first > 0) --first;  // the word that changed may now fit on the line before
    std::size_t old = static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at + removed) - lines_.begin());
    std::vector<std::size_t> fresh;
    const std::size_t n = text_.size();
    std::size_t laid = 0;
    for (std::size_t pos = lines_[first];;) {
        fresh.push_back(pos);
        const std::size_t next = m.rule.nextLineStart(text_, pos, laidOutWidth_, m.widths);
        laid += std::min(next, n) - pos;
        pos = next;
        if (pos > n) {
            old = lines_.size();
            break;
        }
        if (pos <= at + inserted) continue;
        while (old < lines_.size() && shifted(lines_[old]) < pos) ++old;
        if (old < lines_.size() && shifted(lines_[old]) == pos) break;
    }
    // Room first, so that nothing below can fail half way.
    lines_.reserve(lines_.size() - (old - first) + fresh.size());
    for (std::size_t i = old; i < lines_.size(); ++i) lines_[i] = shifted(lines_[i]);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.begin() + static_cast<std::ptrdiff_t>(old));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
    lastLaidOut_ = laid;
    top_ = std::min(top_, lines_.size() - 1);
}

std::size_t TextEditor::lineCount() {
    ensureLayout();
    return lines_.size();
}

std::size_t TextEditor::lineStart(std::size_t line) {
    ensureLayout();
    return lines_[std::min(line, lines_.size() - 1)];
}

std::size_t TextEditor::lineContentEnd(std::size_t line) {
    ensureLayout();
    if (line + 1 >= lines_.size()) return text_.size();
    const std::size_t next = lines_[line + 1];
    return next >= 2 && lineBreakAt(text_, next - 2) ? next - 2 : next;
}

std::size_t TextEditor::lineOf(std::size_t at) {
    ensureLayout();
    return static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at) - lines_.begin()) - 1;
}

const std::vector<std::size_t>& TextEditor::lineStarts() {
    ensureLayout();
    return lines_;
}

std::vector<std::size_t> TextEditor::freshLineStarts() {
    const Metrics& m = host_.metrics();
    const Coord width = host_.wrapWidth();
    std::vector<std::size_t> lines;
    for (std::size_t at = 0; at <= text_.size(); at = m.rule.nextLineStart(text_, at, width, m.widths))
        lines.push_back(at);
    return lines;
}

// The last place the caret may stand on a line: before its line break, or
// before a blank that hangs where the line was wrapped, so that the caret
// stays on that line.
std::size_t TextEditor::lineEndForCaret(std::size_t line) {
    const std::size_t end = lineContentEnd(line);
    if (line + 1 >= lines_.size() || end != lines_[line + 1] || end == lines_[line]) return end;
    return host_.metrics().rule.hangs(static_cast<unsigned char>(text_[end - 1])) ? end - 1 : end;
}

// The position on a line nearest to x.
std::size_t TextEditor::positionIn(std::size_t line, Coord x) {
    const CharWidths& widths = host_.metrics().widths;
    const std::size_t start = lines_[line];
    const std::size_t end = lineEndForCaret(line);
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    // Past the last character that shows on a wrapped line, the caret goes
    // to the line's end: blanks hanging past it are not stepped through.
    std::size_t shown = end;
    const bool wrapped = line + 1 < lines_.size() && lineContentEnd(line) == lines_[line + 1];
    if (conventions_.hangingBlanksTakeNoClicks && wrapped)
        while (shown > start && host_.metrics().rule.hangs(s[shown - 1])) --shown;
    Coord left = 0;
    for (std::size_t i = start; i < shown; ++i) {
        const Coord w = widths.of(s[i], left);
        // Nearer the character's left edge than its right: before it.
        if (x < left + w / 2) return i;
        left += w;
    }
    return x < left ? shown : end;
}

long long TextEditor::lineY(std::size_t line) {
    ensureLayout();
    const int margin = conventions_.marginScrolls && top_ > 0 ? 0 : conventions_.topMargin;
    return margin + (static_cast<long long>(line) - static_cast<long long>(top_)) * host_.metrics().lineHeight;
}

std::size_t TextEditor::lineAtY(int y, bool clampToView, std::size_t* outside) {
    ensureLayout();
    const bool margin = !conventions_.marginScrolls || top_ == 0;
    long long row = floorDiv(static_cast<long long>(y) - (margin ? conventions_.topMargin : 0), host_.metrics().lineHeight);
    *outside = kNowhere;
    if (row < 0 && margin && top_ == 0 && conventions_.outsideTextGoesToEnds) *outside = 0;
    // A click above the first line in view, in the margin, is on that line.
    if (clampToView) row = std::max(row, 0LL);
    const long long line = static_cast<long long>(top_) + row;
    if (line < 0) return 0;
    if (line >= static_cast<long long>(lines_.size())) {
        if (conventions_.outsideTextGoesToEnds) *outside = text_.size();
        return lines_.size() - 1;
    }
    return static_cast<std::size_t>(line);
}

std::size_t TextEditor::hit(Coord x, int y, bool clampToView) {
    std::size_t outside = kNowhere;
    const std::size_t line = lineAtY(y, clampToView, &outside);
    return outside != kNowhere ? outside : positionIn(line, x);
}

Coord TextEditor::xOf(std::size_t at) {
    const std::size_t line = lineOf(at);
    return host_.metrics().widths.xOf(text_, lines_[line], at);
}

Coord TextEditor::shownX(std::size_t at) {
    const Coord x = xOf(at);
    return conventions_.caretStopsAtTheEdge ? std::min(x, host_.wrapWidth()) : x;
}

// ---- Scrolling ------------------------------------------------------------

std::size_t TextEditor::pageLines() {
    const int height = host_.viewHeight() - conventions_.topMargin - conventions_.bottomMargin;
    return static_cast<std::size_t>(std::max(1, height / host_.metrics().lineHeight));
}

std::size_t TextEditor::maxTop() {
    ensureLayout();
    const std::size_t page = pageLines();
    return lines_.size() > page ? lines_.size() - page : 0;
}

void TextEditor::scrollTo(std::size_t line) {
    if (line == top_) return;
    const std::size_t top = std::min(line, maxTop());
    if (top == top_) return;
    top_ = top;
    host_.scrolled();
}

void TextEditor::revealCaret() {
    const std::size_t line = lineOf(caret_);
    const int lineHeight = host_.metrics().lineHeight;
    const int height = host_.viewHeight();
    if (line < top_) {
        scrollTo(line);
        return;
    }
    if (!conventions_.marginScrolls) {
        const std::size_t visible = pageLines();
        if (line >= top_ + visible) scrollTo(line - visible + 1);
        return;
    }
    if (lineY(line) + lineHeight <= height) return;
    // The first line from which the caret's line shows whole. The margin
    // above the text counts while the first line in view is in the first
    // paragraph, as Qt's box reckons it.
    const std::size_t firstParagraphEnd = paragraphEnd(0);
    long long sum = lineHeight + (lines_[line] <= firstParagraphEnd ? conventions_.topMargin : 0);
    std::size_t top = line;
    while (top > 0) {
        const long long more = lineHeight + (lines_[top - 1] <= firstParagraphEnd && lines_[top] > firstParagraphEnd
                                                 ? conventions_.topMargin
                                                 : 0);
        if (sum + more > height) break;
        sum += more;
        --top;
    }
    scrollTo(top);
}

// ---- Moves ----------------------------------------------------------------

std::size_t TextEditor::nextChar(std::size_t at) const {
    if (at >= text_.size()) return text_.size();
    return lineBreakAt(text_, at) ? at + 2 : at + 1;
}

std::size_t TextEditor::previousChar(std::size_t at) const {
    if (at == 0) return 0;
    return at >= 2 && lineBreakAt(text_, at - 2) ? at - 2 : at - 1;
}

std::size_t TextEditor::paragraphStart(std::size_t at) const {
    while (at > 0 && text_[at - 1] != '\n') --at;
    return at;
}

std::size_t TextEditor::paragraphEnd(std::size_t at) const {
    const void* cr = std::memchr(text_.data() + at, '\r', text_.size() - at);
    return cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text_.data()) : text_.size();
}

// Ctrl+Right: over a word and the blanks after it; at the end of a
// paragraph, to the next.
std::size_t TextEditor::nextWord(std::size_t at) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    const Words words = conventions_.words;
    if (at >= n) return n;
    if (lineBreakAt(text_, at)) return at + 2;
    const int kind = kindOf(words, s[at]);
    std::size_t p = at;
    if (kind != 0)
        while (p < n && kindOf(words, s[p]) == kind) ++p;
    while (p < n && kindOf(words, s[p]) == 0) ++p;
    return p;
}

// Ctrl+Left: back over blanks, then over the word before them.
std::size_t TextEditor::previousWord(std::size_t at) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const Words words = conventions_.words;
    if (at == 0) return 0;
    if (s[at - 1] == '\n') return previousChar(at);
    std::size_t p = at;
    while (p > 0 && kindOf(words, s[p - 1]) == 0) --p;
    if (p == 0 || s[p - 1] == '\n') return words == Words::Separators || p == 0 ? p : previousChar(p);
    const int kind = kindOf(words, s[p - 1]);
    while (p > 0 && kindOf(words, s[p - 1]) == kind) --p;
    return p;
}

// The word around a position: as Qt's box selects a word under its cursor
// (the word that starts there, or the one before), or as the edit control
// does (the word of the character at the position, with its blanks).
std::pair<std::size_t, std::size_t> TextEditor::wordAt(std::size_t at) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t start = paragraphStart(at);
    const std::size_t end = paragraphEnd(at);
    const Words words = conventions_.words;
    if (words == Words::Separators) {
        std::size_t first = at;
        if (at > start && !(at == end && (kindOf(words, s[at - 1]) == 0 || isSeparator(s[at - 1])))) {
            first = at < end ? at + 1 : at;
            while (first > start && kindOf(words, s[first - 1]) == 0) --first;
            if (first > start && isSeparator(s[first - 1])) {
                while (first > start && isSeparator(s[first - 1])) --first;
            } else {
                while (first > start && kindOf(words, s[first - 1]) == 3) --first;
            }
        }
        std::size_t last = first;
        if (last < end && isSeparator(s[last])) {
            while (last < end && isSeparator(s[last])) ++last;
        } else {
            while (last < end && kindOf(words, s[last]) == 3) ++last;
        }
        return {first, last};
    }
    if (start == end) return {at, at};
    std::size_t c = std::min(at, end - 1);
    std::size_t first = c;
    // On blanks: the word before them takes them.
    while (first > start && kindOf(words, s[first]) == 0) --first;
    if (kindOf(words, s[first]) != 0) {
        const int kind = kindOf(words, s[first]);
        while (first > start && kindOf(words, s[first - 1]) == kind) --first;
        c = first;
        while (c < end && kindOf(words, s[c]) == kind) ++c;
    }
    while (c < end && kindOf(words, s[c]) == 0) ++c;
    return {first, c};
}

std::size_t TextEditor::verticalTarget(long long lines) {
    const std::size_t line = lineOf(caret_);
    if (wantedX_ < 0) wantedX_ = xOf(caret_);
    const long long target = static_cast<long long>(line) + lines;
    if (target < 0 || target >= static_cast<long long>(lines_.size())) return caret_;
    return positionIn(static_cast<std::size_t>(target), wantedX_);
}

// A page: Qt's box turns to the first line not wholly shown and brings the
// caret to the place on screen it had when the pages began; the edit
// control moves view and caret by as many lines as the view shows whole.
std::size_t TextEditor::pageTarget(bool down) {
    ensureLayout();
    const long long lineHeight = host_.metrics().lineHeight;
    const long long height = host_.viewHeight();
    const std::size_t last = lines_.size() - 1;
    std::size_t line = lineOf(caret_);
    if (wantedX_ < 0) wantedX_ = xOf(caret_);
    if (!conventions_.pagesTurnToHiddenLine) {
        const std::size_t page = pageLines();
        scrollTo(down ? top_ + page : (top_ > page ? top_ - page : 0));
        line = down ? std::min(line + page, last) : (line > page ? line - page : 0);
        return positionIn(line, wantedX_);
    }
    if (pageY_ < 0) pageY_ = lineY(line);
    long long goal = pageY_;
    if (down) {
        std::size_t t = top_;
        while (t <= last && lineY(t) + lineHeight + (t == last ? conventions_.topMargin : 0) <= height) ++t;
        if (t > last)
            goal = height;  // the last page: to the last line
        else
            scrollTo(t);
        if (line == last) return caret_;
        do ++line;
        while (line < last && lineY(line) < goal);
    } else {
        // Back by as many lines as fill the view, the margin above the
        // first line counting with it.
        long long sum = 0;
        std::size_t t = top_;
        while (t > 0 && sum <= height) sum += lineHeight + (--t == 0 ? conventions_.topMargin : 0);
        if (sum > height) ++t;
        if (top_ == 0) goal = 0;  // the first page: to the first line
        scrollTo(t);
        if (line == 0) return caret_;
        do --line;
        while (line > 0 && lineY(line) > goal);
    }
    return positionIn(line, wantedX_);
}

void TextEditor::move(Move how, bool extend) {
    ensureLayout();
    const bool collapse = !extend && hasSelection();
    std::size_t to = caret_;
    bool keepColumn = false;
    switch (how) {
        case Move::NextChar: to = collapse ? selectionEnd() : nextChar(caret_); break;
        case Move::PreviousChar: to = collapse ? selectionStart() : previousChar(caret_); break;
        case Move::NextWord: to = nextWord(caret_); break;
        case Move::PreviousWord: to = previousWord(caret_); break;
        case Move::Down:
        case Move::Up:
            to = verticalTarget(how == Move::Down ? 1 : -1);
            keepColumn = true;
            pageY_ = -1;
            break;
        case Move::LineStart: to = lines_[lineOf(caret_)]; break;
        case Move::LineEnd: to = lineEndForCaret(lineOf(caret_)); break;
        case Move::ParagraphStart: to = paragraphStart(caret_); break;
        case Move::ParagraphEnd: to = paragraphEnd(caret_); break;
        case Move::Start: to = 0; break;
        case Move::End: to = text_.size(); break;
        case Move::PageDown:
        case Move::PageUp:
            to = pageTarget(how == Move::PageDown);
            keepColumn = true;
            break;
    }
    placeCaret(extend ? anchor_ : to, to, keepColumn);
}

// ---- Mouse ----------------------------------------------------------------

std::size_t TextEditor::positionAt(Coord x, int y) { return hit(x, y, false); }

void TextEditor::press(Coord x, int y, bool extend) {
    const std::size_t at = hit(x, y, true);
    placeCaret(extend ? anchor_ : at, at);
}

void TextEditor::dragTo(Coord x, int y) { placeCaret(anchor_, hit(x, y, false)); }

void TextEditor::doubleClick(Coord x, int y) {
    if (conventions_.words == Words::Separators) {
        const std::size_t at = hit(x, y, true);
        // A line with no text selects nothing.
        const std::size_t line = lineOf(at);
        if (lineContentEnd(line) == lines_[line]) {
            placeCaret(at, at);
            return;
        }
        const auto [first, last] = wordAt(at);
        placeCaret(first, last);
        return;
    }
    // The word of the character under the pointer, or of the line's last
    // character past its end.
    std::size_t outside = kNowhere;
    const std::size_t line = lineAtY(y, true, &outside);
    const std::size_t end = lineContentEnd(line);
    const CharWidths& widths = host_.metrics().widths;
    std::size_t c = lines_[line];
    Coord left = 0;
    while (c + 1 < end && x >= left + widths.of(static_cast<unsigned char>(text_[c]), left)) {
        left += widths.of(static_cast<unsigned char>(text_[c]), left);
        ++c;
    }
    const auto [first, last] = wordAt(c);
    placeCaret(first, last);
}

void TextEditor::tripleClick() {
    if (!conventions_.tripleClickSelectsParagraph) return;
    placeCaret(paragraphStart(caret_), nextChar(paragraphEnd(caret_)));
}

// ---- Units ----------------------------------------------------------------

std::pair<std::size_t, std::size_t> TextEditor::unitAt(std::size_t at, Unit unit) {
    at = std::min(at, text_.size());
    const bool qt = conventions_.words == Words::Separators;
    switch (unit) {
        case Unit::Character: return {at, nextChar(at)};
        case Unit::Word: return wordAt(at);
        case Unit::Line: {
            const std::size_t line = lineOf(at);
            if (qt) return {lines_[line], lineEndForCaret(line)};
            return {lines_[line], line + 1 < lines_.size() ? lines_[line + 1] : text_.size()};
        }
        case Unit::Paragraph: {
            const std::size_t end = paragraphEnd(at);
            return {paragraphStart(at), qt || end == text_.size() ? end : end + 2};
        }
        case Unit::Document: return {0, text_.size()};
    }
    return {at, at};
}

}  // namespace drill::editing
