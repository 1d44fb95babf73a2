#include "text_view.h"

#include <algorithm>
#include <climits>

#include <oleacc.h>

#include "platform/errors.h"
#include "text.h"

namespace drill::win32 {

namespace {

constexpr int kMargin = 2;  // pixels left and right of the text, as the edit control leaves
constexpr int kTop = 1;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool blank(unsigned char c) { return c == ' ' || c == '\t'; }

bool lineBreakAt(std::string_view s, std::size_t at) {
    return at + 1 < s.size() && s[at] == '\r' && s[at + 1] == '\n';
}

// Words for Ctrl+arrows and double clicks: letters and digits of the code
// page; blanks; line breaks; and everything else, one class each.
int classOf(unsigned char c) {
    if (blank(c)) return 0;
    if (c == '\r' || c == '\n') return 1;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == 0x8A ||
        c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F || c >= 0xC0)
        return 2;
    return 3;
}

}  // namespace

std::size_t CharWidths::nextLineStart(std::string_view text, std::size_t from, long long width) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t afterBlanks = kNone;
    long long x = 0;
    for (std::size_t i = from; i < n; ++i) {
        const unsigned char c = s[i];
        if (c == '\r' && i + 1 < n && s[i + 1] == '\n') return i + 2;
        if (blank(c)) {
            x += of(c, x);
            afterBlanks = i + 1;
            continue;
        }
        x += advance[c];
        if (x > width && i > from) return afterBlanks != kNone ? afterBlanks : i;
    }
    return n + 1;
}

long long CharWidths::xOf(std::string_view text, std::size_t from, std::size_t to) const {
    long long x = 0;
    for (std::size_t i = from; i < to; ++i) x += of(static_cast<unsigned char>(text[i]), x);
    return x;
}

std::vector<std::size_t> CharWidths::layOut(std::string_view text, long long width) const {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0;;) {
        starts.push_back(at);
        at = nextLineStart(text, at, width);
        if (at > text.size()) return starts;
    }
}

const wchar_t* TextView::className() { return L"AssignmentDrillText"; }

void TextView::registerClass(HINSTANCE instance) {
    registerControlClass(instance, className(), IDC_IBEAM, CS_DBLCLKS);
}

TextView::TextView(const ControlSpec& control, HWND hwnd) : Widget(control, hwnd) {
    for (int c = 0; c < 256; ++c) {
        const std::wstring u = wide(std::string(1, static_cast<char>(c)));
        unicode_[static_cast<std::size_t>(c)] = u.empty() ? L'?' : u.front();
    }
    // Drawn as blanks: nothing of them shows.
    unicode_['\t'] = unicode_['\r'] = unicode_['\n'] = L' ';
    accessible.role = ROLE_SYSTEM_TEXT;
    accessible.value = [this] { return wide(text_); };
    measure();
    layOutAll();
}

TextView::~TextView() = default;

void TextView::measure() {
    HDC dc = GetDC(hwnd());
    HGDIOBJ was = SelectObject(dc, font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    lineHeight_ = std::max(1, static_cast<int>(tm.tmHeight));
    widths_.tabStop = std::max(1, 8 * static_cast<int>(tm.tmAveCharWidth));
    for (std::size_t c = 0; c < 256; ++c) {
        SIZE size{};
        GetTextExtentPoint32W(dc, &unicode_[c], 1, &size);
        widths_.advance[c] = static_cast<int>(size.cx);
    }
    widths_.advance['\r'] = widths_.advance['\n'] = 0;
    SelectObject(dc, was);
    ReleaseDC(hwnd(), dc);
}

long long TextView::wrapWidth() const {
    RECT client{};
    GetClientRect(hwnd(), &client);
    // A view not yet sized breaks lines only where the text does.
    if (client.right <= 0) return LLONG_MAX;
    return std::max<long long>(1, client.right - 2 * kMargin);
}

int TextView::visibleLines() const {
    RECT client{};
    GetClientRect(hwnd(), &client);
    return std::max(1, static_cast<int>((client.bottom - kTop) / lineHeight_));
}

std::vector<std::size_t> TextView::freshLineStarts() const { return widths_.layOut(text_, wrapWidth()); }

void TextView::layOutAll() {
    std::vector<std::size_t> fresh = freshLineStarts();
    lines_.swap(fresh);
    top_ = std::min(top_, lines_.size() - 1);
}

// Only the lines from the one before the change are laid out anew, up to
// the first that starts where a line started before, text after it being
// unchanged: typing at the end of a megabyte lays out a line or two.
void TextView::relayoutAfter(std::size_t at, std::size_t removed, std::size_t inserted) {
    std::size_t first = static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at) - lines_.begin()) - 1;
    if (first > 0) --first;  // the word that changed may now fit on the line before
    std::size_t old = static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at + removed) - lines_.begin());
    const auto shifted = [&](std::size_t start) { return start - removed + inserted; };
    const long long width = wrapWidth();
    std::vector<std::size_t> fresh;
    for (std::size_t pos = lines_[first];;) {
        fresh.push_back(pos);
        pos = widths_.nextLineStart(text_, pos, width);
        if (pos > text_.size()) {
            old = lines_.size();
            break;
        }
        while (old < lines_.size() && shifted(lines_[old]) < pos) ++old;
        if (old < lines_.size() && shifted(lines_[old]) == pos) break;
    }
    // Room first, so that nothing below can fail half way.
    lines_.reserve(lines_.size() - (old - first) + fresh.size());
    for (std::size_t i = old; i < lines_.size(); ++i) lines_[i] = shifted(lines_[i]);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.begin() + static_cast<std::ptrdiff_t>(old));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
    top_ = std::min(top_, lines_.size() - 1);
}

bool TextView::setText(const std::string& text) {
    std::string shown = withCrLf(text);
    std::vector<std::size_t> lines = widths_.layOut(shown, wrapWidth());
    const bool added = shown.size() > text_.size() && shown.compare(0, text_.size(), text_) == 0;
    text_.swap(shown);
    lines_.swap(lines);
    history_.clear();
    caret_ = anchor_ = 0;
    wantedX_ = -1;
    top_ = 0;
    updateScrollBar();
    showCaret();
    InvalidateRect(hwnd(), nullptr, FALSE);
    return added;
}

void TextView::splice(std::size_t at, const std::string& was, const std::string& now) {
    text_.replace(at, was.size(), now);
    try {
        relayoutAfter(at, was.size(), now.size());
    } catch (...) {
        text_.replace(at, now.size(), was);  // within the capacity it had: cannot fail
        throw;
    }
}

void TextView::replace(std::size_t at, std::size_t length, const std::string& bytes, Run run) {
    std::string removed = text_.substr(at, length);
    splice(at, removed, bytes);
    caret_ = anchor_ = at + bytes.size();
    wantedX_ = -1;
    history_.record(at, std::move(removed), bytes, run);
    changed();
}

void TextView::replaceSelection(const std::string& bytes, Run run) {
    const std::size_t from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    replace(from, to - from, bytes, run);
}

void TextView::changed() {
    updateScrollBar();
    revealCaret();
    InvalidateRect(hwnd(), nullptr, FALSE);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

void TextView::undo(bool redo) {
    if (redo ? !history_.canRedo() : !history_.canUndo()) return;
    const EditHistory::Step& step = redo ? history_.toRedo() : history_.toUndo();
    const std::string& now = redo ? step.removed : step.inserted;
    const std::string& was = redo ? step.inserted : step.removed;
    splice(step.at, now, was);
    redo ? history_.redone() : history_.undone();
    // What came back is selected, as in the edit control.
    anchor_ = step.at;
    caret_ = step.at + was.size();
    wantedX_ = -1;
    changed();
}

void TextView::copy() const {
    const std::size_t from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    if (from == to) return;
    setClipboardText(hwnd(), wide(std::string_view(text_).substr(from, to - from)));
}

void TextView::paste() {
    std::wstring pasted = clipboardText(hwnd());
    if (!pasted.empty()) replaceSelection(withCrLf(narrow(pasted)));
}

std::size_t TextView::lineOf(std::size_t at) const {
    return static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at) - lines_.begin()) - 1;
}

// The last place the caret may stand on a line: before its line break, or
// before a blank that hangs where the line was wrapped.
std::size_t TextView::lineEnd(std::size_t line) const {
    if (line + 1 >= lines_.size()) return text_.size();
    const std::size_t next = lines_[line + 1];
    if (next >= 2 && lineBreakAt(text_, next - 2)) return next - 2;
    if (next > lines_[line] && blank(static_cast<unsigned char>(text_[next - 1]))) return next - 1;
    return next;
}

std::size_t TextView::positionAt(std::size_t line, long long x) const {
    const std::size_t start = lines_[line], end = lineEnd(line);
    long long left = 0;
    for (std::size_t i = start; i < end; ++i) {
        const long long w = widths_.of(static_cast<unsigned char>(text_[i]), left);
        if (x < left + w / 2) return i;
        left += w;
    }
    return end;
}

long long TextView::caretX() const {
    const std::size_t line = lineOf(caret_);
    return widths_.xOf(text_, lines_[line], caret_);
}

std::size_t TextView::hitTest(int x, int y) const {
    const long long row = y < kTop ? -1 : (y - kTop) / lineHeight_;
    const long long line = std::clamp<long long>(static_cast<long long>(top_) + row, 0,
                                                 static_cast<long long>(lines_.size()) - 1);
    return positionAt(static_cast<std::size_t>(line), x - kMargin);
}

std::size_t TextView::previousChar(std::size_t at) const {
    if (at == 0) return 0;
    return at >= 2 && lineBreakAt(text_, at - 2) ? at - 2 : at - 1;
}

std::size_t TextView::nextChar(std::size_t at) const {
    if (at >= text_.size()) return text_.size();
    return lineBreakAt(text_, at) ? at + 2 : at + 1;
}

// Ctrl+Right goes past the word and the blanks after it; Ctrl+Left back
// over blanks to the start of the word before them.
std::size_t TextView::wordEdge(std::size_t at, bool forward) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    if (forward) {
        if (at >= text_.size()) return at;
        if (lineBreakAt(text_, at)) return at + 2;
        const int kind = classOf(s[at]);
        while (at < text_.size() && classOf(s[at]) == kind && kind != 0) ++at;
        while (at < text_.size() && blank(s[at])) ++at;
        return at;
    }
    while (at > 0 && blank(s[at - 1])) --at;
    if (at >= 2 && lineBreakAt(text_, at - 2)) return at - 2;
    if (at == 0) return 0;
    const int kind = classOf(s[at - 1]);
    while (at > 0 && classOf(s[at - 1]) == kind) --at;
    return at;
}

void TextView::select(std::size_t anchor, std::size_t caret, bool keepColumn) {
    const long long column = wantedX_;
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    wantedX_ = keepColumn ? column : -1;
    revealCaret();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void TextView::typed(wchar_t c) {
    switch (c) {
    case 1:  // Ctrl+A
        select(0, text_.size());
        return;
    case 3:  // Ctrl+C
        copy();
        return;
    case 22:  // Ctrl+V
        paste();
        return;
    case 24:  // Ctrl+X
        copy();
        replaceSelection({});
        return;
    case 26:  // Ctrl+Z
        undo(false);
        return;
    case 25:  // Ctrl+Y
        undo(true);
        return;
    case 8:  // Backspace
        if (caret_ != anchor_)
            replaceSelection({});
        else if (caret_ > 0)
            replace(previousChar(caret_), caret_ - previousChar(caret_), {}, Run::Deleting);
        return;
    case 0x7F:  // Ctrl+Backspace: the word before the caret
        if (caret_ != anchor_)
            replaceSelection({});
        else
            replace(wordEdge(caret_, false), caret_ - wordEdge(caret_, false), {}, Run::Deleting);
        return;
    case '\r':
    case '\n':
        replaceSelection("\r\n", Run::Typing);
        return;
    case '\t':
        replaceSelection("\t", Run::Typing);
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
    replaceSelection(narrow(std::wstring_view(&c, 1)), Run::Typing);
}

bool TextView::key(WPARAM vk) {
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    const std::size_t from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const std::size_t line = lineOf(caret_);
    const auto moveTo = [&](std::size_t at, bool keepColumn = false) { select(shift ? anchor_ : at, at, keepColumn); };
    const auto vertical = [&](long long lines) {
        if (wantedX_ < 0) wantedX_ = caretX();
        const long long target =
            std::clamp<long long>(static_cast<long long>(line) + lines, 0, static_cast<long long>(lines_.size()) - 1);
        moveTo(positionAt(static_cast<std::size_t>(target), wantedX_), true);
    };
    switch (vk) {
    case VK_LEFT:
        moveTo(!shift && from != to ? from : ctrl ? wordEdge(caret_, false) : previousChar(caret_));
        return true;
    case VK_RIGHT:
        moveTo(!shift && from != to ? to : ctrl ? wordEdge(caret_, true) : nextChar(caret_));
        return true;
    case VK_UP:
        vertical(-1);
        return true;
    case VK_DOWN:
        vertical(1);
        return true;
    case VK_PRIOR:
        vertical(-visibleLines());
        return true;
    case VK_NEXT:
        vertical(visibleLines());
        return true;
    case VK_HOME:
        moveTo(ctrl ? 0 : lines_[line]);
        return true;
    case VK_END:
        moveTo(ctrl ? text_.size() : lineEnd(line));
        return true;
    case VK_DELETE:
        if (shift && from != to) copy();  // Shift+Delete cuts
        if (from != to)
            replaceSelection({});
        else if (caret_ < text_.size())
            replace(caret_, (ctrl ? wordEdge(caret_, true) : nextChar(caret_)) - caret_, {}, Run::Deleting);
        return true;
    case VK_INSERT:
        if (ctrl) copy();
        if (shift) paste();
        return true;
    default:
        return false;
    }
}

void TextView::scrollTo(long long top) {
    const long long most = std::max<long long>(0, static_cast<long long>(lines_.size()) - visibleLines());
    const auto clamped = static_cast<std::size_t>(std::clamp<long long>(top, 0, most));
    if (clamped == top_) return;
    top_ = clamped;
    updateScrollBar();
    showCaret();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

// Told only of a change, and redrawn with the next painting only when it
// shows one: drawing a scroll bar costs more than the whole box, and a box
// emptied after a recording shows the same bar, without a thumb, as before.
void TextView::updateScrollBar() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMax = static_cast<int>(std::min<std::size_t>(lines_.size() - 1, INT_MAX));
    info.nPage = static_cast<UINT>(visibleLines());
    info.nPos = static_cast<int>(std::min<std::size_t>(top_, INT_MAX));
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
    const std::size_t line = lineOf(caret_);
    const long long row = static_cast<long long>(line) - static_cast<long long>(top_);
    const long long x = kMargin + caretX();
    // Out of view, the caret stays out of view.
    SetCaretPos(static_cast<int>(std::min<long long>(x, SHRT_MAX)),
                static_cast<int>(std::clamp<long long>(kTop + row * lineHeight_, -lineHeight_ * 2, SHRT_MAX)));
}

void TextView::revealCaret() {
    const std::size_t line = lineOf(caret_);
    const auto visible = static_cast<std::size_t>(visibleLines());
    if (line < top_)
        scrollTo(static_cast<long long>(line));
    else if (line >= top_ + visible)
        scrollTo(static_cast<long long>(line - visible + 1));
    showCaret();
}

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
    const std::size_t selFrom = focused ? std::min(caret_, anchor_) : 0;
    const std::size_t selTo = focused ? std::max(caret_, anchor_) : 0;
    std::wstring chars;
    std::vector<INT> dx;
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    int y = kTop;
    for (std::size_t line = top_; line < lines_.size() && y < client.bottom; ++line, y += lineHeight_) {
        if (y + lineHeight_ <= dirty.top || y >= dirty.bottom) continue;
        const std::size_t start = lines_[line];
        const std::size_t next = line + 1 < lines_.size() ? lines_[line + 1] : text_.size();
        const std::size_t end = next >= start + 2 && lineBreakAt(text_, next - 2) ? next - 2 : next;
        chars.resize(end - start);
        dx.resize(end - start);
        long long x = 0;
        for (std::size_t i = start; i < end; ++i) {
            chars[i - start] = unicode_[s[i]];
            const long long w = widths_.of(s[i], x);
            dx[i - start] = static_cast<INT>(w);
            x += w;
        }
        // The selected part on the highlight colour; a selected line break
        // as a blank's width of it.
        const std::size_t a = std::clamp(selFrom, start, end), b = std::clamp(selTo, start, end);
        const bool breakSelected = selFrom <= end && selTo > end && end < next;
        const auto xAt = [&](std::size_t at) { return kMargin + widths_.xOf(text_, start, at); };
        const auto draw = [&](std::size_t from, std::size_t to, int colour) {
            if (to <= from) return;
            SetTextColor(dc, GetSysColor(colour));
            ExtTextOutW(dc, static_cast<int>(std::min<long long>(xAt(from), INT_MAX)), y, 0, nullptr,
                        chars.data() + (from - start), static_cast<UINT>(to - from), dx.data() + (from - start));
        };
        if (a < b || breakSelected) {
            const long long left = xAt(a), right = xAt(b) + (breakSelected ? widths_.advance[' '] : 0);
            RECT band{static_cast<LONG>(std::min<long long>(left, LONG_MAX)), y,
                      static_cast<LONG>(std::min<long long>(right, LONG_MAX)), y + lineHeight_};
            FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        // Far to the right of the view nothing needs drawing.
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
    const bool selected = caret_ != anchor_;
    const auto item = [&](UINT id, const wchar_t* caption, bool enabled) {
        AppendMenuW(menu, static_cast<UINT>(MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED)), id, caption);
    };
    item(kUndo, L"&Undo", history_.canUndo());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kCut, L"Cu&t", selected);
    item(kCopy, L"&Copy", selected);
    item(kPaste, L"&Paste", IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE);
    item(kDelete, L"&Delete", selected);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kSelectAll, L"Select &All", !text_.empty());
    POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {  // from the keyboard: at the caret
        p = {static_cast<LONG>(kMargin + std::min<long long>(caretX(), SHRT_MAX)), kTop};
        ClientToScreen(hwnd(), &p);
    }
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd(), nullptr));
    DestroyMenu(menu);
    switch (chosen) {
    case kUndo: undo(false); break;
    case kCut: typed(24); break;
    case kCopy: copy(); break;
    case kPaste: paste(); break;
    case kDelete: replaceSelection({}); break;
    case kSelectAll: select(0, text_.size()); break;
    default: break;
    }
}

LRESULT TextView::message(UINT msg, WPARAM wParam, LPARAM lParam) {
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
        layOutAll();
        scrollTo(static_cast<long long>(top_));
        updateScrollBar();
        showCaret();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        measure();
        layOutAll();
        updateScrollBar();
        if (GetFocus() == hwnd()) {
            CreateCaret(hwnd(), nullptr, 1, lineHeight_);
            showCaret();
            ShowCaret(hwnd());
        }
        if (LOWORD(lParam) != 0) InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETFOCUS:
        CreateCaret(hwnd(), nullptr, 1, lineHeight_);
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
    case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd());
        const std::size_t at = hitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        if (msg == WM_LBUTTONDBLCLK && at < text_.size() && !lineBreakAt(text_, at)) {
            // The word under the pointer.
            const int kind = classOf(static_cast<unsigned char>(text_[at]));
            std::size_t from = at, to = at;
            while (from > 0 && classOf(static_cast<unsigned char>(text_[from - 1])) == kind) --from;
            while (to < text_.size() && classOf(static_cast<unsigned char>(text_[to])) == kind) ++to;
            select(from, to);
            return 0;
        }
        select((wParam & MK_SHIFT) != 0 ? anchor_ : at, at);
        SetCapture(hwnd());
        selecting_ = true;
        return 0;
    }
    case WM_MOUSEMOVE:
        if (selecting_ && (wParam & MK_LBUTTON) != 0)
            select(anchor_, hitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
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
        const long long page = visibleLines(), top = static_cast<long long>(top_);
        switch (LOWORD(wParam)) {
        case SB_LINEUP: scrollTo(top - 1); break;
        case SB_LINEDOWN: scrollTo(top + 1); break;
        case SB_PAGEUP: scrollTo(top - page); break;
        case SB_PAGEDOWN: scrollTo(top + page); break;
        case SB_TOP: scrollTo(0); break;
        case SB_BOTTOM: scrollTo(static_cast<long long>(lines_.size())); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(hwnd(), SB_VERT, &info);
            scrollTo(info.nTrackPos);
            break;
        }
        default: break;
        }
        return 0;
    }
    case WM_MOUSEWHEEL: {
        UINT perNotch = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
        const long long lines = perNotch == WHEEL_PAGESCROLL ? static_cast<long long>(visibleLines()) : perNotch;
        wheel_ += GET_WHEEL_DELTA_WPARAM(wParam);
        const long long steps = wheel_ * lines / WHEEL_DELTA;
        if (steps != 0) {
            wheel_ -= static_cast<int>(steps * WHEEL_DELTA / std::max(1LL, lines));
            scrollTo(static_cast<long long>(top_) - steps);
        }
        return 0;
    }
    // What the edit control answers, for the window, its tests and
    // assistive tools.
    case WM_SETTEXT:
        setText(narrow(lParam != 0 ? std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) : std::wstring_view()));
        return TRUE;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(text_.size());
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) return 0;
        const std::size_t count = std::min<std::size_t>(text_.size(), wParam - 1);
        const std::wstring chars = wide(std::string_view(text_).substr(0, count));
        auto* out = reinterpret_cast<wchar_t*>(lParam);
        std::copy(chars.begin(), chars.end(), out);
        out[chars.size()] = L'\0';
        return static_cast<LRESULT>(chars.size());
    }
    case EM_GETSEL: {
        const auto from = static_cast<DWORD>(std::min(caret_, anchor_)), to = static_cast<DWORD>(std::max(caret_, anchor_));
        if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = from;
        if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = to;
        return MAKELRESULT(std::min<DWORD>(from, 0xFFFF), std::min<DWORD>(to, 0xFFFF));
    }
    case EM_SETSEL: {
        const auto start = static_cast<long long>(static_cast<int>(wParam));
        const auto end = static_cast<long long>(static_cast<int>(lParam));
        // As in the edit control, the view does not scroll to the caret:
        // tabbing into a long transcript selects it all where it stands.
        const std::size_t n = text_.size();
        if (start >= 0) {
            anchor_ = std::min<std::size_t>(static_cast<std::size_t>(start), n);
            caret_ = end < 0 ? n : std::min<std::size_t>(static_cast<std::size_t>(end), n);
        }
        anchor_ = start < 0 ? caret_ : anchor_;
        wantedX_ = -1;
        showCaret();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    }
    case EM_REPLACESEL:
        if (lParam != 0) replaceSelection(withCrLf(narrow(reinterpret_cast<const wchar_t*>(lParam))));
        return 0;
    case EM_SCROLLCARET:
        revealCaret();
        return TRUE;
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(lines_.size());
    case EM_CANUNDO:
        return history_.canUndo() ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
        undo(false);
        return TRUE;
    case WM_COPY:
        copy();
        return 0;
    case WM_CUT:
        typed(24);
        return 0;
    case WM_PASTE:
        paste();
        return 0;
    case WM_CLEAR:
        replaceSelection({});
        return 0;
    case EM_SETLIMITTEXT:
        return 0;  // as much as memory holds
    default:
        break;
    }
    return Widget::message(msg, wParam, lParam);
}

}  // namespace drill::win32
