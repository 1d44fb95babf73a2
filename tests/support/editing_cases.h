#pragma once
// One table of what the big boxes do, run on the editing core and then
// through each front end's view: keys, clicks, double-clicks, drags, texts
// the program puts in a box, and undo and redo across them. Where Qt's box
// and the edit control differ, a case says what each does. Positions are
// bytes of the text (a line break is two); the texts are short enough to
// show unwrapped in any of the boxes.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "window/editing/text_editor.h"

namespace drill::testing {

// Where the pointer is, in terms of the text: each front end finds the pixel
// with its own font.
struct Spot {
    enum Kind { OnChar, PastLineEnd, BelowText } kind = OnChar;
    std::size_t at = 0;  // the character; for PastLineEnd any position on its line
    bool rightHalf = false;
};

struct Step {
    enum Kind { Move, Erase, Type, Insert, Undo, Redo, Cut, Paste, SelectAll, Put, Click, ShiftClick, DoubleClick,
                Drag, Select };
    Kind kind = Undo;
    editing::Move move = editing::Move::NextChar;
    bool extend = false;
    editing::Erase erase = editing::Erase::PreviousChar;
    std::string text;  // Type, Insert, Put; for Paste, the clipboard's text (none: as it is)
    Spot spot{}, to{};
    std::size_t anchor = 0, caret = 0;  // Select, as a program or a screen reader selects
};

// Where a platform's box leaves the text, the anchor and the caret.
struct Outcome {
    Outcome(std::size_t a, std::size_t c, std::optional<std::string> t = {}) : anchor(a), caret(c), text(std::move(t)) {}
    std::size_t anchor, caret;
    std::optional<std::string> text;  // when not the case's `after`
};

struct EditingCase {
    const char* what;
    std::string before;  // the box's text, with nothing to undo and the caret at `caret`
    std::size_t caret;
    std::vector<Step> steps;
    std::string after;
    Outcome qt, edit;
};

namespace steps {
inline Step make(Step::Kind kind) {
    Step s;
    s.kind = kind;
    return s;
}
inline Step type(std::string t) {
    Step s = make(Step::Type);
    s.text = std::move(t);
    return s;
}
inline Step put(std::string t) {
    Step s = make(Step::Put);
    s.text = std::move(t);
    return s;
}
inline Step paste(std::string clipboard) {
    Step s = make(Step::Paste);
    s.text = std::move(clipboard);
    return s;
}
inline Step key(editing::Move m, bool extend = false) {
    Step s = make(Step::Move);
    s.move = m;
    s.extend = extend;
    return s;
}
inline Step erase(editing::Erase e) {
    Step s = make(Step::Erase);
    s.erase = e;
    return s;
}
inline Step simple(Step::Kind k) { return make(k); }
inline Step pointer(Step::Kind k, Spot at, Spot to = {}) {
    Step s = make(k);
    s.spot = at;
    s.to = to;
    return s;
}
inline Step select(std::size_t anchor, std::size_t caret) {
    Step s = make(Step::Select);
    s.anchor = anchor;
    s.caret = caret;
    return s;
}
inline Spot on(std::size_t at, bool rightHalf = false) { return {Spot::OnChar, at, rightHalf}; }
inline Spot pastEnd(std::size_t onLine) { return {Spot::PastLineEnd, onLine, false}; }
inline Spot below(std::size_t xOf) { return {Spot::BelowText, xOf, false}; }
}  // namespace steps

inline const std::vector<EditingCase>& editingCases() {
    using namespace steps;
    using editing::Erase;
    using editing::Move;
    static const std::vector<EditingCase> cases = {
        // Texts the program puts in a box are one step each: nothing a
        // student typed is beyond undo, and redo puts the program's back.
        {"the prompt over an answer is undone", "", 0, {type("my answer"), put("PROMPT"), simple(Step::Undo)},
         "my answer", {9, 9}, {0, 9}},
        {"and redone", "", 0, {type("my answer"), put("PROMPT"), simple(Step::Undo), simple(Step::Redo)}, "PROMPT",
         {6, 6}, {0, 6}},
        {"an emptied box is undone", "", 0, {type("typed"), put(""), simple(Step::Undo)}, "typed", {5, 5}, {0, 5}},
        {"a question added is undone alone", "Q1", 0, {put("Q1\r\nQ2"), simple(Step::Undo)}, "Q1", {2, 2}, {2, 2}},
        {"typing after the program's text is undone first", "", 0,
         {put("PROMPT"), type("x"), simple(Step::Undo), simple(Step::Undo)}, "", {0, 0}, {0, 0}},
        // Edits that change nothing are no step: what could be redone stays.
        {"cutting nothing keeps redo", "", 0, {type("abc"), simple(Step::Undo), simple(Step::Cut), simple(Step::Redo)},
         "abc", {3, 3}, {0, 3}},
        {"deleting a word at the start keeps redo", "", 0,
         {type("abc"), simple(Step::Undo), erase(Erase::PreviousWord), simple(Step::Redo)}, "abc", {3, 3}, {0, 3}},
        {"Backspace at the start keeps redo", "", 0,
         {type("abc"), simple(Step::Undo), erase(Erase::PreviousChar), simple(Step::Redo)}, "abc", {3, 3}, {0, 3}},
        {"typing over a selection is undone in one go", "hello", 0,
         {simple(Step::SelectAll), type("xy"), simple(Step::Undo)}, "hello", {5, 5}, {0, 5}},
        {"a paste is undone", "one", 3, {paste(" two"), simple(Step::Undo)}, "one", {3, 3}, {3, 3}},
        {"cut and paste", "one two", 0, {select(0, 4), simple(Step::Cut), select(3, 3), paste("")}, "twoone ",
         {7, 7}, {7, 7}},
        // Line breaks are CR LF, stepped over and taken as one.
        {"Return breaks the line", "", 0, {type("a\rb")}, "a\r\nb", {4, 4}, {4, 4}},
        {"Backspace takes a line break whole", "ab\r\ncd", 4, {erase(Erase::PreviousChar)}, "abcd", {2, 2}, {2, 2}},
        {"Right steps over a line break", "a\r\nb", 1, {key(Move::NextChar), type("x")}, "a\r\nxb", {4, 4}, {4, 4}},
        {"Down keeps the column", "abc\r\nd\r\nabc", 3, {key(Move::Down), key(Move::Down), type("x")},
         "abc\r\nd\r\nabcx", {12, 12}, {12, 12}},
        {"Delete at the end changes nothing", "ab", 2, {erase(Erase::NextChar), simple(Step::Undo)}, "ab", {2, 2},
         {2, 2}},
        // A position inside a line break goes before it.
        {"typing inside a line break", "a\r\nb", 0, {select(2, 2), type("x")}, "ax\r\nb", {2, 2}, {2, 2}},
        {"Backspace inside a line break", "a\r\nb", 0, {select(2, 2), erase(Erase::PreviousChar)}, "\r\nb", {0, 0},
         {0, 0}},
        // Words.
        {"Ctrl+Right over a word and its blanks", "hello   world", 0, {key(Move::NextWord)}, "hello   world", {8, 8},
         {8, 8}},
        {"Ctrl+Left at a line's start", "one\r\n  two", 6, {key(Move::PreviousWord)}, "one\r\n  two", {5, 5}, {3, 3}},
        // The mouse.
        {"a click below the text", "hello world\r\nsecond line", 0, {pointer(Step::Click, below(15))},
         "hello world\r\nsecond line", {24, 24}, {15, 15}},
        {"a click on a line of blanks", "abc\r\n     \r\nxyz", 0, {pointer(Step::Click, on(7))}, "abc\r\n     \r\nxyz",
         {7, 7}, {7, 7}},
        {"a click among blanks before a line break", "word     \r\nnext", 0, {pointer(Step::Click, on(6, true))},
         "word     \r\nnext", {7, 7}, {7, 7}},
        {"a click past the end of a line", "word     \r\nnext", 0, {pointer(Step::Click, pastEnd(0))},
         "word     \r\nnext", {9, 9}, {9, 9}},
        {"a double-click on a word's last letter", "hello world", 0,
         {pointer(Step::DoubleClick, on(4, true)), type("X")}, "X world", {1, 1}, {1, 1, "Xworld"}},
        {"a double-click on a word's first letter", "hello world", 0, {pointer(Step::DoubleClick, on(6))},
         "hello world", {6, 11}, {6, 11}},
        {"a double-click among blanks", "hello   world", 0, {pointer(Step::DoubleClick, on(6))}, "hello   world",
         {0, 5}, {0, 8}},
        {"a double-click past a line's end", "word   \r\nnext", 0, {pointer(Step::DoubleClick, pastEnd(0))},
         "word   \r\nnext", {7, 7}, {0, 7}},
        {"a double-click on punctuation", "foo.bar baz", 0, {pointer(Step::DoubleClick, on(3))}, "foo.bar baz",
         {3, 4}, {3, 4}},
        {"a drag selects", "hello world", 0, {pointer(Step::Drag, on(1), on(8))}, "hello world", {1, 8}, {1, 8}},
        {"Shift and a click extend", "hello world", 0,
         {pointer(Step::Click, on(1)), pointer(Step::ShiftClick, on(7))}, "hello world", {1, 7}, {1, 7}},
    };
    return cases;
}

}  // namespace drill::testing
