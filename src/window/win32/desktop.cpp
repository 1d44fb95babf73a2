#include "desktop.h"

#include <memory>
#include <vector>

#include "platform/errors.h"
#include "text.h"
#include "widgets.h"
#include "window/controls.h"

namespace drill::win32 {

namespace {

// A dialog template built in memory, item by item, in dialog units.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short width, short height, const wchar_t* font, WORD points) {
        DLGTEMPLATE t{};
        t.style = style | DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        t.cx = width;
        t.cy = height;
        add(&t, sizeof t);
        word(0);  // no menu
        word(0);  // the standard dialog class
        word(0);  // the caption is set when the box opens
        word(points);
        text(font);
    }

    void item(DWORD style, short x, short y, short width, short height, WORD id, WORD atom) {
        align(4);
        DLGITEMTEMPLATE t{};
        t.style = style | WS_CHILD | WS_VISIBLE;
        t.x = x;
        t.y = y;
        t.cx = width;
        t.cy = height;
        t.id = id;
        add(&t, sizeof t);
        word(0xFFFF);
        word(atom);
        word(0);  // no text: set when the box opens
        word(0);  // no creation data
        auto* header = reinterpret_cast<DLGTEMPLATE*>(bytes_.data());
        ++header->cdit;
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void add(const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void word(WORD w) { add(&w, sizeof w); }
    void text(const wchar_t* s) { add(s, (wcslen(s) + 1) * sizeof(wchar_t)); }
    void align(std::size_t to) {
        while (bytes_.size() % to != 0) bytes_.push_back(0);
    }

    std::vector<unsigned char> bytes_;
};

constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;
constexpr UINT kShown = WM_APP + 1;

// The entry field takes what a text box of the window takes.
const ControlSpec kEntrySpec{"entry", ControlKind::Text, "", 0, 0, 0, 0};

struct InputBox {
    std::wstring prompt, caption;
    std::function<void(HWND)> shown;
    std::unique_ptr<TextBox> entry;
    std::string answer;
};

INT_PTR CALLBACK inputBoxProc(HWND box, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<InputBox*>(GetWindowLongPtrW(box, DWLP_USER));
    try {
        switch (msg) {
        case WM_INITDIALOG:
            self = reinterpret_cast<InputBox*>(lParam);
            SetWindowLongPtrW(box, DWLP_USER, lParam);
            SetWindowTextW(box, self->caption.c_str());
            SetDlgItemTextW(box, kInputBoxPrompt, self->prompt.c_str());
            SetDlgItemTextW(box, IDOK, L"OK");
            SetDlgItemTextW(box, IDCANCEL, L"Cancel");
            self->entry = std::make_unique<TextBox>(kEntrySpec, GetDlgItem(box, kInputBoxEntry));
            PostMessageW(box, kShown, 0, 0);
            return TRUE;  // the entry field, first in the tab order, takes the focus
        case kShown:
            UpdateWindow(box);
            if (self->shown) self->shown(box);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                self->answer = self->entry->text();
                EndDialog(box, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(box, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            if (self != nullptr) self->entry.reset();
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        // Nothing may unwind through the dialog manager: the box is cancelled.
        EndDialog(box, IDCANCEL);
        return TRUE;
    }
}

}  // namespace

HWND Win32Dialogs::owner() const { return owner_ != nullptr && IsWindowVisible(owner_) ? owner_ : nullptr; }

std::string Win32Dialogs::inputBox(const std::string& prompt, const std::string& caption) {
    // 280 dialog units are wide enough for the first prompt on one line;
    // the longest wraps onto a second.
    DialogTemplate t(0, 280, 78, L"MS Shell Dlg", 8);
    t.item(SS_LEFT | SS_NOPREFIX, 7, 7, 266, 26, kInputBoxPrompt, kStaticAtom);
    t.item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 38, 266, 13, kInputBoxEntry, kEditAtom);
    t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 169, 57, 50, 14, IDOK, kButtonAtom);
    t.item(BS_PUSHBUTTON | WS_TABSTOP, 223, 57, 50, 14, IDCANCEL, kButtonAtom);
    InputBox box{wide(prompt), wide(caption), shown, nullptr, {}};
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner(), inputBoxProc, reinterpret_cast<LPARAM>(&box));
    if (result == -1) fail(err::OutOfMemory);
    return result == IDOK ? box.answer : std::string();
}

void Win32Dialogs::messageBox(const std::string& text, const std::string& caption) {
    const std::wstring t = wide(text), c = wide(caption);
    if (MessageBoxW(owner(), t.c_str(), c.c_str(), MB_OK) == 0) fail(err::OutOfMemory);
}

void Win32Dialogs::closeOpenBoxes() {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(window, cls, 16);
            if (wcscmp(cls, L"#32770") == 0) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        },
        0);
}

Win32Timer::Win32Timer() {
    static const wchar_t kClass[] = L"AssignmentDrillTimer";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    hwnd_ = CreateWindowExW(0, kClass, L"tmr_pend_exp", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
}

Win32Timer::~Win32Timer() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Win32Timer::setInterval(int milliseconds) {
    interval_ = milliseconds;
    if (enabled_) SetTimer(hwnd_, 1, static_cast<UINT>(interval_), nullptr);
}

void Win32Timer::setEnabled(bool enabled) {
    // A second press leaves the running timer alone rather than restarting it.
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) SetTimer(hwnd_, 1, static_cast<UINT>(interval_), nullptr);
    else KillTimer(hwnd_, 1);
}

LRESULT CALLBACK Win32Timer::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    } else if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<Win32Timer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && self->enabled_ && self->handler_) self->handler_();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace drill::win32
