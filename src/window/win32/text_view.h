#pragma once
// The two big boxes on Win32, txt_question and txt_answer: the shared editing
// core with GDI's fonts and painting, the window's messages, the clipboard
// and the scroll bar around it. Windows' edit control lays a paragraph out
// again from its start at every change, so a notes file shown as one
// paragraph of a megabyte takes it minutes; the core wraps in one pass over
// the bytes, lays out again only from the line that changed, and the view
// draws only the lines in view. Keys, mouse and undo behave as in the edit
// control.
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

#include "text_automation.h"
#include "widgets.h"
#include "window/editing/text_editor.h"

namespace drill::win32 {

class TextView : public Widget, private editing::EditorHost {
public:
    TextView(const ControlSpec& control, HWND hwnd);
    ~TextView() override;

    static const wchar_t* className();
    static void registerClass(HINSTANCE instance);

    const std::string& text() const { return editor_.text(); }
    // A text the program puts in the view: any line break becomes CR LF, the
    // caret goes to the start, the start comes into view, and undo brings
    // back what was there. True when the view now shows what it showed
    // before with more after it.
    bool setText(const std::string& text);
    // The same with nothing left to undo, as the view is made with its text
    // and as WM_SETTEXT sets an edit control's.
    void resetText(const std::string& text);

    // Where each line starts at the view's width (tests compare them with
    // a layout made from scratch), and the first line in view.
    const std::vector<std::size_t>& lineStarts() { return editor_.lineStarts(); }
    std::vector<std::size_t> freshLineStarts() { return editor_.freshLineStarts(); }
    std::size_t topLine() const { return editor_.top(); }

    // What its UI Automation element reads and moves: the core, where a
    // position is in the client area, and the box's automation.
    editing::TextEditor& editor() { return editor_; }
    // The client rectangle of the characters [from, to) of one line, as
    // drawn; from == to gives the caret's place there.
    RECT spanRect(std::size_t line, std::size_t from, std::size_t to);
    std::size_t positionAt(POINT client);
    TextAutomation& automation() { return automation_; }

protected:
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // What the editing core asks of the view.
    const editing::Metrics& metrics() override { return metrics_; }
    editing::Coord wrapWidth() override;
    int viewHeight() override;
    void textChanged(const editing::TextChange& change) override;
    void selectionChanged() override;
    void scrolled() override;
    std::string clipboardText() override;
    void setClipboardText(std::string_view text) override;

    void measure();
    void typed(wchar_t c);
    bool key(WPARAM vk);
    void scrollBy(long long lines);
    void updateScrollBar();
    void showCaret();
    void contextMenu(LPARAM at);
    void paint(HDC dc, const RECT& dirty);

    HFONT font_ = nullptr;
    editing::Metrics metrics_;
    std::array<wchar_t, 256> unicode_{};
    editing::TextEditor editor_;
    TextAutomation automation_{*this};

    wchar_t highSurrogate_ = 0;
    int wheel_ = 0;  // a wheel's turn short of one line
    bool selecting_ = false;
};

}  // namespace drill::win32
