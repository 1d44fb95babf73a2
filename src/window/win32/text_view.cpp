#include "text_view.h"

#include <algorithm>
#include <climits>

#include <oleacc.h>

#include "platform/errors.h"
#include "text.h"

namespace drill::win32 {

namespace {

using editing::Coord;
using editing::Erase;
using editing::Move;

constexpr int kMargin = 2;  // pixels left and right of the text, as the edit control leaves

template <class T>
int clampInt(T v) {
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(v), INT_MIN, INT_MAX));
}

}  // namespace

const wchar_t* TextView::className() { return L"AssignmentDrillText"; }

void TextView::registerClass(HINSTANCE instance) {
    registerControlClass(instance, className(), IDC_IBEAM, CS_DBLCLKS);
}

TextView::TextView(const ControlSpec& control, HWND hwnd)
    : Widget(control, hwnd), editor_(*this, editing::kEditControlConventions) {
    for (int c = 0; c < 256; ++c) {
        const std::wstring u = wide(std::string(1, static_cast<char>(c)));
        unicode_[static_cast<std::size_t>(c)] = u.empty() ? L'?' : u.front();
    }
    // Drawn as blanks: nothing of them shows.
    unicode_['\t'] = unicode_['\r'] = unicode_['\n'] = L' ';
    accessible.role = ROLE_SYSTEM_TEXT;
    accessible.value = [this] { return wide(editor_.text()); };
    measure();
}

TextView::~TextView() = default;

void TextView::measure() {
    HDC dc = GetDC(hwnd());
    HGDIOBJ was = SelectObject(dc, font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    metrics_.lineHeight = std::max(1, static_cast<int>(tm.tmHeight));
    metrics_.widths.tabStop = std::max(1, 8 * static_cast<int>(tm.tmAveCharWidth));
    for (std::size_t c = 0; c < 256; ++c) {
        SIZE size{};
        GetTextExtentPoint32W(dc, &unicode_[c], 1, &size);
        metrics_.widths.advance[c] = size.cx;
    }
    metrics_.widths.advance['\r'] = metrics_.widths.advance['\n'] = 0;
    SelectObject(dc, was);
    ReleaseDC(hwnd(), dc);
}

// ---- What the core asks of the view ---------------------------------------

Coord TextView::wrapWidth() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    // A view not yet sized breaks lines only where the text does.
    if (client.right <= 0) return LLONG_MAX;
    return std::max<Coord>(1, client.right - 2 * kMargin);
}

int TextView::viewHeight() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    return client.bottom;
}

void TextView::textChanged(const editing::TextChange&) {
    updateScrollBar();
    InvalidateRect(hwnd(), nullptr, FALSE);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd(), OBJID_CLIENT, CHILDID_SELF);
    automation_.textChanged();
}

void TextView::selectionChanged() {
    showCaret();
    InvalidateRect(hwnd(), nullptr, FALSE);
    automation_.selectionChanged();
}

void TextView::scrolled() {
    updateScrollBar();
    showCaret();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

std::string TextView::clipboardText() { return narrow(win32::clipboardText(hwnd())); }

void TextView::setClipboardText(std::string_view text) { win32::setClipboardText(hwnd(), wide(text)); }

// ---- Text -----------------------------------------------------------------

bool TextView::setText(const std::string& text) { return editor_.put(text); }

void TextView::resetText(const std::string& text) { editor_.reset(text); }

RECT TextView::spanRect(std::size_t line, std::size_t from, std::size_t to) {
    const long long y = editor_.lineY(line);
    const std::size_t start = editor_.lineStart(line);
    const editing::CharWidths& widths = metrics_.widths;
    return {clampInt(kMargin + widths.xOf(editor_.text(), start, from)), clampInt(y),
            clampInt(kMargin + widths.xOf(editor_.text(), start, to)), clampInt(y + metrics_.lineHeight)};
}

std::size_t TextView::positionAt(POINT client) { return editor_.positionAt(client.x - kMargin, client.y); }

// ---- Keys -----------------------------------------------------------------

void TextView::typed(wchar_t c) {
    switch (c) {
    case 1:  // Ctrl+A
        editor_.selectAll();
        return;
    case 3:  // Ctrl+C
        editor_.copy();
        return;
    case 22:  // Ctrl+V
        editor_.paste();
        return;
    case 24:  // Ctrl+X
        editor_.cut();
        return;
    case 26:  // Ctrl+Z
        editor_.undo();
        return;
    case 25:  // Ctrl+Y
        editor_.redo();
        return;
    case 8:  // Backspace
        editor_.erase(Erase::PreviousChar);
        return;
    case 0x7F:  // Ctrl+Backspace: the word before the caret
        editor_.erase(Erase::PreviousWord);
        return;
    case '\r':
    case '\n':
        editor_.type("\r\n");
        return;
    case '\t':
        editor_.type("\t");
        return;
    default:
        break;
    }
    if (c < 0x20) return;
    // A character outside the basic plane comes as two halves: it is one
    // character the code page lacks, one '?'.
    if (c >= 0xD800 && c <= 0xDBFF) {
        highSurrogate_ = c;
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) c = L'?';
    highSurrogate_ = 0;
    editor_.type(narrow(std::wstring_view(&c, 1)));
}

bool TextView::key(WPARAM vk) {
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (vk) {
    case VK_LEFT: editor_.move(ctrl ? Move::PreviousWord : Move::PreviousChar, shift); return true;
    case VK_RIGHT: editor_.move(ctrl ? Move::NextWord : Move::NextChar, shift); return true;
    case VK_UP: editor_.move(Move::Up, shift); return true;
    case VK_DOWN: editor_.move(Move::Down, shift); return true;
    case VK_PRIOR: editor_.move(Move::PageUp, shift); return true;
    case VK_NEXT: editor_.move(Move::PageDown, shift); return true;
    case VK_HOME: editor_.move(ctrl ? Move::Start : Move::LineStart, shift); return true;
    case VK_END: editor_.move(ctrl ? Move::End : Move::LineEnd, shift); return true;
    case VK_DELETE:
        if (shift && editor_.hasSelection())
            editor_.cut();  // Shift+Delete cuts
        else
            editor_.erase(ctrl ? Erase::NextWord : Erase::NextChar);
        return true;
    case VK_INSERT:
        if (ctrl) editor_.copy();
        if (shift) editor_.paste();
        return true;
    default:
        return false;
    }
}

// ---- Scrolling ------------------------------------------------------------

void TextView::scrollBy(long long lines) {
    const long long top = static_cast<long long>(editor_.top()) + lines;
    editor_.scrollTo(static_cast<std::size_t>(std::max(0LL, top)));
}

// Told only of a change, and redrawn with the next painting only when it
// shows one: drawing a scroll bar costs more than the whole box, and a box
// emptied after a recording shows the same bar, without a thumb, as before.
void TextView::updateScrollBar() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMax = clampInt(editor_.lineCount() - 1);
    info.nPage = static_cast<UINT>(clampInt(editor_.pageLines()));
    info.nPos = clampInt(editor_.top());
    SCROLLINFO now{};
    now.cbSize = sizeof now;
    now.fMask = SIF_ALL;
    const bool known = GetScrollInfo(hwnd(), SB_VERT, &now) != FALSE && now.nMin == 0;
    if (known && now.nMax == info.nMax && now.nPage == info.nPage && now.nPos == info.nPos) return;
    const auto fits = [](const SCROLLINFO& bar) { return static_cast<long long>(bar.nMax) < bar.nPage; };
    SetScrollInfo(hwnd(), SB_VERT, &info, FALSE);
    if (!known || !fits(now) || !fits(info)) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

void TextView::showCaret() {
    if (GetFocus() != hwnd()) return;
    const long long x = kMargin + editor_.shownX(editor_.caret());
    const long long y = editor_.lineY(editor_.lineOf(editor_.caret()));
    // Out of view, the caret stays out of view.
    SetCaretPos(clampInt(std::min<long long>(x, SHRT_MAX)),
                clampInt(std::clamp<long long>(y, -metrics_.lineHeight * 2LL, SHRT_MAX)));
}

// ---- Painting -------------------------------------------------------------

void TextView::paint(HDC target, const RECT& dirty) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    // Drawn off screen first, so that nothing flickers as the student types.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP surface = CreateCompatibleBitmap(target, std::max(1L, client.right), std::max(1L, client.bottom));
    HGDIOBJ surfaceWas = SelectObject(dc, surface);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ fontWas = SelectObject(dc, font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const bool focused = GetFocus() == hwnd();
    const std::size_t selFrom = focused ? editor_.selectionStart() : 0;
    const std::size_t selTo = focused ? editor_.selectionEnd() : 0;
    const std::string& text = editor_.text();
    const editing::CharWidths& widths = metrics_.widths;
    const int lineHeight = metrics_.lineHeight;
    std::wstring chars;
    std::vector<INT> dx;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t lines = editor_.lineCount();
    for (std::size_t line = editor_.top(); line < lines; ++line) {
        const long long y = editor_.lineY(line);
        if (y >= client.bottom) break;
        if (y + lineHeight <= dirty.top || y >= dirty.bottom) continue;
        const std::size_t start = editor_.lineStart(line);
        const std::size_t next = line + 1 < lines ? editor_.lineStart(line + 1) : text.size();
        const std::size_t end = editor_.lineContentEnd(line);
        chars.resize(end - start);
        dx.resize(end - start);
        long long x = 0;
        for (std::size_t i = start; i < end; ++i) {
            chars[i - start] = unicode_[s[i]];
            const long long w = widths.of(s[i], x);
            dx[i - start] = static_cast<INT>(w);
            x += w;
        }
        // The selected part on the highlight colour; a selected line break
        // as a blank's width of it.
        const std::size_t a = std::clamp(selFrom, start, end), b = std::clamp(selTo, start, end);
        const bool breakSelected = selFrom <= end && selTo > end && end < next;
        const auto xAt = [&](std::size_t at) { return kMargin + widths.xOf(text, start, at); };
        const auto draw = [&](std::size_t from, std::size_t to, int colour) {
            if (to <= from) return;
            SetTextColor(dc, GetSysColor(colour));
            ExtTextOutW(dc, clampInt(xAt(from)), clampInt(y), 0, nullptr, chars.data() + (from - start),
                        static_cast<UINT>(to - from), dx.data() + (from - start));
        };
        if (a < b || breakSelected) {
            const long long left = xAt(a), right = xAt(b) + (breakSelected ? widths.advance[' '] : 0);
            RECT band{clampInt(left), clampInt(y), clampInt(right), clampInt(y + lineHeight)};
            FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        draw(start, a, COLOR_WINDOWTEXT);
        draw(a, b, COLOR_HIGHLIGHTTEXT);
        draw(b, end, COLOR_WINDOWTEXT);
    }
    BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, dc, dirty.left,
           dirty.top, SRCCOPY);
    SelectObject(dc, fontWas);
    SelectObject(dc, surfaceWas);
    DeleteObject(surface);
    DeleteDC(dc);
}

void TextView::contextMenu(LPARAM at) {
    enum : UINT { kUndo = 1, kCut, kCopy, kPaste, kDelete, kSelectAll };
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    const bool selected = editor_.hasSelection();
    const auto item = [&](UINT id, const wchar_t* caption, bool enabled) {
        AppendMenuW(menu, static_cast<UINT>(MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED)), id, caption);
    };
    item(kUndo, L"&Undo", editor_.canUndo());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kCut, L"Cu&t", selected);
    item(kCopy, L"&Copy", selected);
    item(kPaste, L"&Paste", IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE);
    item(kDelete, L"&Delete", selected);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kSelectAll, L"Select &All", !editor_.text().empty());
    POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {  // from the keyboard: under the caret
        const long long y = editor_.lineY(editor_.lineOf(editor_.caret())) + metrics_.lineHeight;
        p = {clampInt(kMargin + std::min<long long>(editor_.shownX(editor_.caret()), SHRT_MAX)),
             clampInt(std::clamp<long long>(y, 0, viewHeight()))};
        ClientToScreen(hwnd(), &p);
    }
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd(), nullptr));
    DestroyMenu(menu);
    switch (chosen) {
    case kUndo: editor_.undo(); break;
    case kCut: editor_.cut(); break;
    case kCopy: editor_.copy(); break;
    case kPaste: editor_.paste(); break;
    case kDelete: editor_.erase(Erase::NextChar); break;
    case kSelectAll: editor_.selectAll(); break;
    default: break;
    }
}

LRESULT TextView::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto pointX = [&] { return static_cast<Coord>(static_cast<short>(LOWORD(lParam)) - kMargin); };
    const auto pointY = [&] { return static_cast<int>(static_cast<short>(HIWORD(lParam))); };
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paint(dc, ps.rcPaint);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        editor_.relayout();
        updateScrollBar();
        showCaret();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        measure();
        editor_.relayout();
        updateScrollBar();
        if (GetFocus() == hwnd()) {
            CreateCaret(hwnd(), nullptr, 1, metrics_.lineHeight);
            showCaret();
            ShowCaret(hwnd());
        }
        if (LOWORD(lParam) != 0) InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETFOCUS:
        CreateCaret(hwnd(), nullptr, 1, metrics_.lineHeight);
        showCaret();
        ShowCaret(hwnd());
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        DestroyCaret();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE: {
        // Every key but Tab, which moves on to the next control.
        LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTALLKEYS;
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB) code &= ~DLGC_WANTALLKEYS;
        return code;
    }
    case WM_CHAR:
    case WM_IME_CHAR:
        typed(static_cast<wchar_t>(wParam));
        return 0;
    case WM_KEYDOWN:
        if (key(wParam)) return 0;
        break;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd());
        editor_.press(pointX(), pointY(), (wParam & MK_SHIFT) != 0);
        SetCapture(hwnd());
        selecting_ = true;
        return 0;
    case WM_LBUTTONDBLCLK:
        // The second click of a double-click: the word under the pointer.
        SetFocus(hwnd());
        editor_.doubleClick(pointX(), pointY());
        return 0;
    case WM_MOUSEMOVE:
        if (selecting_ && (wParam & MK_LBUTTON) != 0) editor_.dragTo(pointX(), pointY());
        return 0;
    case WM_LBUTTONUP:
        if (selecting_) ReleaseCapture();
        selecting_ = false;
        return 0;
    case WM_CAPTURECHANGED:
        selecting_ = false;
        return 0;
    case WM_CONTEXTMENU:
        SetFocus(hwnd());
        contextMenu(lParam);
        return 0;
    case WM_VSCROLL: {
        const long long page = static_cast<long long>(editor_.pageLines());
        switch (LOWORD(wParam)) {
        case SB_LINEUP: scrollBy(-1); break;
        case SB_LINEDOWN: scrollBy(1); break;
        case SB_PAGEUP: scrollBy(-page); break;
        case SB_PAGEDOWN: scrollBy(page); break;
        case SB_TOP: editor_.scrollTo(0); break;
        case SB_BOTTOM: editor_.scrollTo(editor_.maxTop()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(hwnd(), SB_VERT, &info);
            editor_.scrollTo(static_cast<std::size_t>(std::max(0, info.nTrackPos)));
            break;
        }
        default: break;
        }
        return 0;
    }
    case WM_MOUSEWHEEL: {
        UINT perNotch = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
        const long long lines = perNotch == WHEEL_PAGESCROLL ? static_cast<long long>(editor_.pageLines()) : perNotch;
        wheel_ += GET_WHEEL_DELTA_WPARAM(wParam);
        const long long steps = wheel_ * lines / WHEEL_DELTA;
        if (steps != 0) {
            wheel_ -= static_cast<int>(steps * WHEEL_DELTA / std::max(1LL, lines));
            scrollBy(-steps);
        }
        return 0;
    }
    case WM_GETOBJECT:
        // UI Automation's element where a client asks for it; the MSAA
        // object, or Windows' own answer, for the rest.
        if (const LRESULT element = automation_.answer(wParam, lParam)) return element;
        break;
    // What the edit control answers, for the window, its tests and
    // assistive tools.
    case WM_SETTEXT:
        resetText(narrow(lParam != 0 ? std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) : std::wstring_view()));
        return TRUE;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(editor_.text().size());
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) return 0;
        const std::size_t count = std::min<std::size_t>(editor_.text().size(), wParam - 1);
        const std::wstring chars = wide(std::string_view(editor_.text()).substr(0, count));
        auto* out = reinterpret_cast<wchar_t*>(lParam);
        std::copy(chars.begin(), chars.end(), out);
        out[chars.size()] = L'\0';
        return static_cast<LRESULT>(chars.size());
    }
    case EM_GETSEL: {
        const auto from = static_cast<DWORD>(editor_.selectionStart()), to = static_cast<DWORD>(editor_.selectionEnd());
        if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = from;
        if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = to;
        return MAKELRESULT(std::min<DWORD>(from, 0xFFFF), std::min<DWORD>(to, 0xFFFF));
    }
    case EM_SETSEL: {
        // As in the edit control, the view does not scroll to the caret:
        // tabbing into a long transcript selects it all where it stands.
        const auto start = static_cast<long long>(static_cast<int>(wParam));
        const auto end = static_cast<long long>(static_cast<int>(lParam));
        const std::size_t n = editor_.text().size();
        if (start < 0) {
            editor_.select(editor_.caret(), editor_.caret(), false);
        } else {
            const std::size_t caret = end < 0 ? n : static_cast<std::size_t>(end);
            editor_.select(static_cast<std::size_t>(start), caret, false);
        }
        return 0;
    }
    case EM_REPLACESEL:
        if (lParam != 0) editor_.insert(narrow(reinterpret_cast<const wchar_t*>(lParam)));
        return 0;
    case EM_SCROLLCARET:
        editor_.revealCaret();
        return TRUE;
    // Where characters and lines are, as assistive tools ask an edit control.
    case EM_POSFROMCHAR: {
        const std::size_t at = static_cast<std::size_t>(wParam);
        if (at > editor_.text().size()) return -1;
        const long long x = kMargin + editor_.xOf(at), y = editor_.lineY(editor_.lineOf(at));
        return MAKELRESULT(static_cast<WORD>(std::clamp<long long>(x, SHRT_MIN, SHRT_MAX)),
                           static_cast<WORD>(std::clamp<long long>(y, SHRT_MIN, SHRT_MAX)));
    }
    case EM_CHARFROMPOS: {
        const std::size_t at = editor_.positionAt(pointX(), pointY());
        return MAKELRESULT(std::min<std::size_t>(at, 0xFFFF), std::min<std::size_t>(editor_.lineOf(at), 0xFFFF));
    }
    case EM_LINEFROMCHAR:
        return static_cast<LRESULT>(
            editor_.lineOf(static_cast<int>(wParam) < 0 ? editor_.selectionStart() : static_cast<std::size_t>(wParam)));
    case EM_LINEINDEX: {
        const std::size_t line =
            static_cast<int>(wParam) < 0 ? editor_.lineOf(editor_.caret()) : static_cast<std::size_t>(wParam);
        return line < editor_.lineCount() ? static_cast<LRESULT>(editor_.lineStart(line)) : -1;
    }
    case EM_GETFIRSTVISIBLELINE:
        return static_cast<LRESULT>(editor_.top());
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(editor_.lineCount());
    case EM_CANUNDO:
        return editor_.canUndo() ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
        editor_.undo();
        return TRUE;
    case WM_COPY:
        editor_.copy();
        return 0;
    case WM_CUT:
        editor_.cut();
        return 0;
    case WM_PASTE:
        editor_.paste();
        return 0;
    case WM_CLEAR:
        if (editor_.hasSelection()) editor_.erase(Erase::NextChar);
        return 0;
    case EM_SETLIMITTEXT:
        return 0;  // as much as memory holds
    default:
        break;
    }
    return Widget::message(msg, wParam, lParam);
}

}  // namespace drill::win32
