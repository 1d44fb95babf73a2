#pragma once
// The editing core of the two big boxes, txt_question and txt_answer, for
// every front end: the text in the code page (lines broken by CR LF), its
// lines at the view's width, the caret and the selection, the moves, the
// edits with their one history, hitting a point, and the units a screen
// reader reads by. A front end keeps what belongs to its toolkit (fonts and
// measuring, painting, events, the clipboard's system side, input methods,
// the accessibility bridge, scroll bars) and reaches the core through this
// class and the small EditorHost it implements.
//
// Positions count bytes of the text: a line break is two (CR LF), and no
// position falls between its CR and its LF.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "window/editing/conventions.h"
#include "window/editing/edit_history.h"
#include "window/editing/text_layout.h"

namespace drill::editing {

// What the host measures in its font.
struct Metrics {
    CharWidths widths;
    WrapRule rule;
    int lineHeight = 1;  // pixels
};

// A change of the text, as the host is told of it.
struct TextChange {
    std::size_t at;
    std::string_view removed;  // what was there; valid during the call
    std::size_t inserted;      // bytes now at `at`
};

// What the core asks of the view it serves.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // Made when first needed: a box is built before it is first shown.
    virtual const Metrics& metrics() = 0;
    // The width lines wrap at (in the widths' unit), and the height of the
    // view in pixels.
    virtual Coord wrapWidth() = 0;
    virtual int viewHeight() = 0;

    virtual void textChanged(const TextChange& change) = 0;
    virtual void selectionChanged() = 0;
    virtual void scrolled() = 0;
    // The clipboard's text, in the code page; empty when it holds none.
    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(std::string_view text) = 0;
};

enum class Move {
    NextChar, PreviousChar, NextWord, PreviousWord, Down, Up, LineStart, LineEnd,
    ParagraphStart, ParagraphEnd, Start, End, PageDown, PageUp,
};

enum class Erase { PreviousChar, NextChar, PreviousWord, NextWord, ToParagraphEnd };

// The units a screen reader reads by.
enum class Unit { Character, Word, Line, Paragraph, Document };

class TextEditor {
public:
    TextEditor(EditorHost& host, const Conventions& conventions);

    const std::string& text() const { return text_; }

    // A text the program puts in the box: one step of the history, undone
    // in one go. Any line break becomes CR LF; the caret goes to the start
    // and the start comes into view. True when the box now shows what it
    // showed before with more after it.
    bool put(std::string_view text);
    // The same with nothing left to undo, as a box is made with its text.
    void reset(std::string_view text);

    std::size_t caret() const { return caret_; }
    std::size_t anchor() const { return anchor_; }
    bool hasSelection() const { return caret_ != anchor_; }
    std::size_t selectionStart() const { return std::min(caret_, anchor_); }
    std::size_t selectionEnd() const { return std::max(caret_, anchor_); }
    std::string selectedText() const;
    // Positions inside a line break go before it; past the end, to it. The
    // caret comes into view unless `reveal` is false.
    void select(std::size_t anchor, std::size_t caret, bool reveal = true);
    void selectAll();

    void move(Move move, bool extend);
    // Typed text joins the typing before it in one step of the history;
    // inserted text (a line break, a paste, a drop) is a step of its own.
    void type(std::string_view bytes);
    void insert(std::string_view bytes);
    void erase(Erase what);
    void cut();
    void copy();
    void paste();
    void undo();
    void redo();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    // Changed by the student since the program last put a text in the box.
    bool modified() const { return modified_; }

    // The mouse, at x (in the widths' unit, from the text's left edge) and
    // y (pixels from the view's top edge).
    void press(Coord x, int y, bool extend);
    void dragTo(Coord x, int y);
    void doubleClick(Coord x, int y);
    // A click soon after a double-click, near it: the caret's paragraph
    // with its line break, where the platform's box does so.
    void tripleClick();
    std::size_t positionAt(Coord x, int y);

    // Lines at the view's width.
    std::size_t lineCount();
    std::size_t lineStart(std::size_t line);
    // Where the line's characters end: before its line break, if any.
    std::size_t lineContentEnd(std::size_t line);
    std::size_t lineOf(std::size_t at);
    // Every line start, and the same laid out from scratch (tests compare).
    const std::vector<std::size_t>& lineStarts();
    std::vector<std::size_t> freshLineStarts();
    // How many bytes the last change or resize laid out anew.
    std::size_t lastLaidOut() const { return lastLaidOut_; }

    // Scrolling, in lines: the first line in view.
    std::size_t top() const { return top_; }
    std::size_t maxTop();
    void scrollTo(std::size_t line);
    // Lines a page turns, as the scroll bar's page.
    std::size_t pageLines();
    // Pixels from the view's top to the top of a line, as shown now.
    long long lineY(std::size_t line);
    // The x of a position in its line, and where the caret is drawn there.
    Coord xOf(std::size_t at);
    Coord shownX(std::size_t at);
    // The caret in view, scrolling as little as the box does.
    void revealCaret();
    // The view's size or font changed: lines wrap anew when next needed,
    // and the first line in view stays as far as the new lines allow.
    void relayout();

    // The unit of text around a position, [first, second).
    std::pair<std::size_t, std::size_t> unitAt(std::size_t at, Unit unit);

    std::size_t nextChar(std::size_t at) const;
    std::size_t previousChar(std::size_t at) const;
    // A position the text holds: one inside a line break goes before it,
    // one past the end to the end.
    std::size_t validPosition(std::size_t at) const;

private:
    using Run = EditHistory::Run;

    void replace(std::size_t at, std::size_t length, std::string_view bytes, Run run);
    void replaceSelection(std::string_view bytes, Run run);
    // Puts `now` where the text holds `length` bytes at `at` and lays the
    // lines out again; a failure leaves both as they were.
    void splice(std::size_t at, std::size_t length, std::string_view now);
    void setWhole(std::string text, bool undoable);
    void travel(bool forward);
    void placeCaret(std::size_t anchor, std::size_t caret, bool keepColumn = false, bool reveal = true);

    void ensureLayout();
    void relayoutAfter(std::size_t at, std::size_t removed, std::size_t inserted);
    std::size_t lineEndForCaret(std::size_t line);
    std::size_t positionIn(std::size_t line, Coord x);
    // The line at y, with a click above the text or below it taken as the
    // platform's box takes it: `outside` then holds the text's start or end.
    std::size_t lineAtY(int y, bool clampToView, std::size_t* outside);
    std::size_t hit(Coord x, int y, bool clampToView);
    std::size_t verticalTarget(long long lines);
    std::size_t pageTarget(bool down);

    std::size_t nextWord(std::size_t at) const;
    std::size_t previousWord(std::size_t at) const;
    std::pair<std::size_t, std::size_t> wordAt(std::size_t at) const;
    std::size_t paragraphStart(std::size_t at) const;
    std::size_t paragraphEnd(std::size_t at) const;

    EditorHost& host_;
    const Conventions& conventions_;

    std::string text_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    Coord wantedX_ = -1;       // the column Up, Down and pages keep to, once set
    long long pageY_ = -1;     // where page moves in a row keep the caret on screen
    std::vector<std::size_t> lines_;  // where each line starts; empty when not laid out
    Coord laidOutWidth_ = -1;
    std::size_t lastLaidOut_ = 0;
    std::size_t top_ = 0;

    EditHistory history_;
    bool modified_ = false;
};

}  // namespace drill::editing
