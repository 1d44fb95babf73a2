#pragma once
// The two big boxes on Win32, txt_question and txt_answer: a text view of the
// program's own. Windows' edit control lays a paragraph out again from its
// start at every change, so a notes file shown as one paragraph of a megabyte
// takes it minutes. This view keeps the code-page bytes (lines broken by
// CR LF), knows the width of each of the 256 characters in its font, wraps
// in one pass over the bytes, lays out again only from the line that
// changed, and draws only the lines in view.
//
// It answers the edit control's messages that the window, its tests and
// assistive tools use (WM_SETTEXT, WM_GETTEXT, EM_SETSEL, EM_REPLACESEL,
// WM_COPY, WM_PASTE, WM_UNDO, ...); positions are those of the text with
// CR LF, as the edit control counts them.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "widgets.h"
#include "window/edit_history.h"

namespace drill::win32 {

// Widths in pixels of the 256 characters of the code page, and how the
// view wraps a paragraph with them.
struct CharWidths {
    std::array<int, 256> advance{};
    int tabStop = 32;

    long long of(unsigned char c, long long x) const {
        return c == '\t' ? (x / tabStop + 1) * tabStop - x : advance[c];
    }
    // Where the line that starts at `from` ends: where the next line starts,
    // or text.size() + 1 after the last line. A line ends after CR LF, after
    // the last run of blanks before the text passes `width`, or, for a word
    // longer than the line, where it passes. Blanks at a line's end hang
    // past the width.
    std::size_t nextLineStart(std::string_view text, std::size_t from, long long width) const;
    // The x of `to` in the line starting at `from`.
    long long xOf(std::string_view text, std::size_t from, std::size_t to) const;
    // Every line start of the text at that width.
    std::vector<std::size_t> layOut(std::string_view text, long long width) const;
};

class TextView : public Widget {
public:
    TextView(const ControlSpec& control, HWND hwnd);
    ~TextView() override;

    static const wchar_t* className();
    static void registerClass(HINSTANCE instance);

    const std::string& text() const { return text_; }
    // Any line break becomes CR LF. The caret goes to the start, the start
    // comes into view and nothing is left to undo. True when the view now
    // shows what it showed before with more after it.
    bool setText(const std::string& text);

    // Where each line starts at the view's width (tests compare them with
    // a layout made from scratch).
    const std::vector<std::size_t>& lineStarts() const { return lines_; }
    std::vector<std::size_t> freshLineStarts() const;

protected:
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    using Run = EditHistory::Run;

    // Every change by the student goes through replace: undo, layout, caret
    // and painting.
    void replace(std::size_t at, std::size_t length, const std::string& bytes, Run run);
    void replaceSelection(const std::string& bytes, Run run = Run::None);
    // Puts `now` where the text holds `was`, at `at`, and lays the lines out
    // again; a failure leaves both as they were.
    void splice(std::size_t at, const std::string& was, const std::string& now);
    void relayoutAfter(std::size_t at, std::size_t removed, std::size_t inserted);
    void layOutAll();
    void measure();
    long long wrapWidth() const;
    int visibleLines() const;

    void typed(wchar_t c);
    bool key(WPARAM vk);
    void undo(bool redo);
    void copy() const;
    void paste();
    void select(std::size_t anchor, std::size_t caret, bool keepColumn = false);
    std::size_t lineOf(std::size_t at) const;
    std::size_t lineEnd(std::size_t line) const;
    std::size_t positionAt(std::size_t line, long long x) const;
    long long caretX() const;
    std::size_t hitTest(int x, int y) const;
    std::size_t previousChar(std::size_t at) const;
    std::size_t nextChar(std::size_t at) const;
    std::size_t wordEdge(std::size_t at, bool forward) const;

    void scrollTo(long long top);
    void updateScrollBar();
    void showCaret();
    void revealCaret();
    void changed();
    void contextMenu(LPARAM at);
    void paint(HDC dc, const RECT& dirty);

    std::string text_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    long long wantedX_ = -1;  // the column Up and Down keep to, once set

    HFONT font_ = nullptr;
    CharWidths widths_;
    std::array<wchar_t, 256> unicode_{};
    int lineHeight_ = 16;
    std::vector<std::size_t> lines_{0};
    std::size_t top_ = 0;

    EditHistory history_;
    wchar_t highSurrogate_ = 0;
    int wheel_ = 0;  // a wheel's turn short of one line
    bool selecting_ = false;
};

}  // namespace drill::win32
