#pragma once
// What a UI Automation client (a screen reader of today) is told of a big
// box: an Edit element with the box's name and description, its value, and
// its text by character, word, line, paragraph and document as the editing
// core counts them, so that Windows and Linux read the same words and lines.
// The box's MSAA object stays for older tools.
//
// uiautomationcore.dll is loaded from the system folder when a client first
// asks a box for its element; without it the box answers as before. From
// then on the boxes raise their events while a client listens.
#include <string>
#include <string_view>

#include <windows.h>

struct IRawElementProviderSimple;

namespace drill::win32 {

class TextView;
class TextElement;

class TextAutomation {
public:
    explicit TextAutomation(TextView& view) : view_(view) {}
    ~TextAutomation();
    TextAutomation(const TextAutomation&) = delete;
    TextAutomation& operator=(const TextAutomation&) = delete;

    // The answer to WM_GETOBJECT for the box's UI Automation element, or 0
    // for any other object or without UI Automation.
    LRESULT answer(WPARAM wParam, LPARAM lParam);

    // The view's changes, told to listening clients.
    void textChanged();
    void selectionChanged();
    // A text read out without moving the focus, such as a new question.
    void announce(std::string_view codePageText);

    // The element, with a reference for the caller (tests call it directly);
    // null when memory runs out.
    IRawElementProviderSimple* element();

private:
    bool listening();
    void raise(int event);

    TextView& view_;
    TextElement* element_ = nullptr;
};

}  // namespace drill::win32
