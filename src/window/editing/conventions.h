#pragma once
// Where the platforms' own text boxes differ, and which way each front end's
// box goes: the big boxes behave as the box a student of that platform knows.
namespace drill::editing {

struct Conventions {
    // What a word is, for Ctrl+arrows, double-clicks and a screen reader.
    enum class Words {
        // Runs of punctuation, or of other characters, between blanks; a
        // word ends where its blanks begin.
        Separators,
        // Runs of letters and digits, or of other characters; a word takes
        // the blanks after it.
        ClassesWithBlanks,
    };
    Words words;
    // Where a click above the first line (in the margin) or below the last
    // puts the caret: at the start or end of the text, or on the first or
    // last line under the pointer. A click after a double-click selects
    // the paragraph.
    bool outsideTextGoesToEnds;
    bool tripleClickSelectsParagraph;
    // A click past the last character shown on a wrapped line stops before
    // the blanks that hang past its end, instead of stepping through them.
    bool hangingBlanksTakeNoClicks;
    // The caret among blanks that hang past the width stays at the edge.
    bool caretStopsAtTheEdge;
    // Undo and redo select what came back, instead of putting the caret
    // after it.
    bool undoSelects;
    // Pages: the caret keeps its place on screen across page moves in a row
    // and the page turns to the first line not wholly shown (true), or both
    // move by as many lines as the view shows whole (false).
    bool pagesTurnToHiddenLine;
    // Pixels above the first line; whether they scroll away with the text.
    int topMargin;
    bool marginScrolls;
    // Pixels a page leaves out below the lines it counts.
    int bottomMargin;
};

// Qt's plain-text box, on Linux.
inline constexpr Conventions kQtConventions{
    .words = Conventions::Words::Separators,
    .outsideTextGoesToEnds = true,
    .tripleClickSelectsParagraph = true,
    .hangingBlanksTakeNoClicks = true,
    .caretStopsAtTheEdge = true,
    .undoSelects = false,
    .pagesTurnToHiddenLine = true,
    .topMargin = 4,
    .marginScrolls = true,
    .bottomMargin = 5,
};

// The edit control, on Windows.
inline constexpr Conventions kEditControlConventions{
    .words = Conventions::Words::ClassesWithBlanks,
    .outsideTextGoesToEnds = false,
    .tripleClickSelectsParagraph = false,
    .hangingBlanksTakeNoClicks = false,
    .caretStopsAtTheEdge = false,
    .undoSelects = true,
    .pagesTurnToHiddenLine = false,
    .topMargin = 1,
    .marginScrolls = false,
    .bottomMargin = 0,
};

}  // namespace drill::editing
