#include "main_window.h"

#include <cmath>

#include "platform/errors.h"
#include "desktop.h"
#include "platform/files.h"
#include "text.h"
#include "text_view.h"
#include "widgets.h"
#include "win32_toolkit.h"
#include "window/controls.h"

namespace drill::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"AssignmentDrillWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// What each kind of control is made of: the standard controls, and the
// panels of our own.
struct Made {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

Made madeOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::MultiLineText:
        return {TextView::className(), WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Text:
        return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
        return {L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0};
    case ControlKind::Picture:
        return {PicturePanel::className(), WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Label:
        return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::List:
        return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    }
    return {L"STATIC", 0, 0};
}

int screenDpi(HWND hwnd) {
    // Per-monitor aware: the window's own monitor, where the system knows it.
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<ForWindow>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32"), "GetDpiForWindow")));
    if (forWindow != nullptr && hwnd != nullptr) {
        if (const UINT dpi = forWindow(hwnd); dpi != 0) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The small default font is rounded down to whole pixels, so that two lines
// of a caption fit the lowest buttons at every DPI ("pend exp" at 120).
HFONT makeFont(const FontSpec& wanted, int dpi, bool roundDown) {
    const double pixels = wanted.points * dpi / 72.0;
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(roundDown ? std::floor(pixels) : std::round(pixels));
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;  // Western
    lf.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring family = wide(wanted.family);
    wcsncpy(lf.lfFaceName, family.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

void registerWindowClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // fails harmlessly when it is registered already
    PicturePanel::registerClass(instance);
    TextView::registerClass(instance);
}

}  // namespace

MainWindow::MainWindow(const WindowServices& services)
    : files_(services.files),
      timer_(services.timer),
      boundary_([this](int number) { drill_->reportError(number); }, [this] { endProgram(); }) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    registerWindowClass(instance, proc);
    hwnd_ = CreateWindowExW(kExStyle, kWindowClass, wide(kWindowCaption).c_str(), kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) fail(err::OutOfMemory);
    buildControls();
    layOut(screenDpi(hwnd_));

    Win32Toolkit::Controls controls;
    controls.window = hwnd_;
    controls.question = question_;
    controls.answer = answer_;
    controls.picture1 = picture1_;
    controls.picture2 = picture2_;
    toolkit_ = std::make_unique<Win32Toolkit>(controls, services.dialogs, services.beeper, services.timer);
    drill_ = std::make_unique<Drill>(
        Session{*toolkit_, services.files, services.clock, services.random, services.state});
    wire();
}

MainWindow::~MainWindow() {
    // The timer may outlive the window; no tick may reach it afterwards.
    timer_.setEnabled(false);
    timer_.setTickHandler({});
    widgets_.clear();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (defaultFont_ != nullptr) DeleteObject(defaultFont_);
    if (boxFont_ != nullptr) DeleteObject(boxFont_);
}

void MainWindow::buildControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Made in tab order: Windows moves the focus in the order the controls
    // were made.
    for (const ControlSpec& control : controls()) {
        const Made made = madeOf(control.kind);
        HWND hwnd = CreateWindowExW(made.exStyle, made.windowClass, wide(control.caption).c_str(),
                                    made.style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, hwnd_, nullptr,
                                    instance, nullptr);
        if (hwnd == nullptr) fail(err::OutOfMemory);
        std::unique_ptr<Widget> widget;
        switch (control.kind) {
        case ControlKind::MultiLineText: {
            auto view = std::make_unique<TextView>(control, hwnd);
            view->resetText(control.caption);
            widget = std::move(view);
            break;
        }
        case ControlKind::Text:  // made with its caption as its text
            widget = std::make_unique<TextBox>(control, hwnd);
            break;
        case ControlKind::Button:
            widget = std::make_unique<Button>(control, hwnd);
            break;
        case ControlKind::Picture:
            widget = std::make_unique<PicturePanel>(control, hwnd);
            break;
        case ControlKind::Label:
        case ControlKind::List:
            widget = std::make_unique<Widget>(control, hwnd);
            break;
        }
        if (control.kind != ControlKind::Label && (control.accessibleName || control.labelledBy)) {
            widget->accessible.name = [name = wide(accessibleNameOf(control))] { return name; };
        }
        if (control.description != nullptr) {
            widget->accessible.description = [description = wide(control.description)] { return description; };
        }
        widget->onFailure = [this](int number) { boundary_.report(number); };
        byHwnd_[hwnd] = widget.get();
        widgets_.push_back(std::move(widget));
    }
    question_ = static_cast<TextView*>(find("txt_question"));
    answer_ = static_cast<TextView*>(find("txt_answer"));
    picture1_ = static_cast<PicturePanel*>(find("Picture1"));
    picture2_ = static_cast<PicturePanel*>(find("Picture2"));
    // The left panel says what the experiment display shows.
    picture1_->accessible.description = [this] {
        return wide(experimentDescription(timer_.enabled(), picture1_->circles()));
    };
    timer_.setEnabled(false);
    timer_.setInterval(kTimerIntervalMs);
}

void MainWindow::layOut(int dpi) {
    dpi_ = dpi;
    HFONT oldDefault = defaultFont_, oldBox = boxFont_;
    defaultFont_ = makeFont(kDefaultFont, dpi, true);
    boxFont_ = makeFont(kBoxFont, dpi, false);
    // The client area at its size: the frame around it is whatever the
    // system makes of it at this DPI, so it is measured, not computed.
    const SIZE client{twipsToPixels(kClientWidthTwips, dpi), twipsToPixels(kClientHeightTwips, dpi)};
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT window{}, inside{};
        GetWindowRect(hwnd_, &window);
        GetClientRect(hwnd_, &inside);
        if (inside.right == client.cx && inside.bottom == client.cy) break;
        SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + client.cx - inside.right,
                     window.bottom - window.top + client.cy - inside.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const auto& widget : widgets_) {
        const ControlSpec& control = widget->control();
        SetWindowPos(widget->hwnd(), nullptr, twipsToPixels(control.left, dpi), twipsToPixels(control.top, dpi),
                     twipsToPixels(control.width, dpi), twipsToPixels(control.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        const bool box = control.kind == ControlKind::MultiLineText;
        SendMessageW(widget->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(box ? boxFont_ : defaultFont_), TRUE);
    }
    if (oldDefault != nullptr) DeleteObject(oldDefault);
    if (oldBox != nullptr) DeleteObject(oldBox);
}

void MainWindow::wire() {
    for (const CommandWiring& wiring : commandWiring()) {
        find(wiring.control)->onEvent = [this, run = wiring.run] { runEvent([this, run] { run(*drill_); }); };
    }
    timer_.setTickHandler([this] { onTick(); });
}

template <class Command>
void MainWindow::runEvent(Command&& command) {
    boundary_.run(std::forward<Command>(command));
    // The left panel tells a screen reader of the experiment display now
    // and then; asked, it tells the count as it is.
    if (!boundary_.ended() && experimentNews_.due(timer_.enabled(), picture1_->circles()))
        NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, picture1_->hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

Widget* MainWindow::find(std::string_view name) const {
    for (const auto& widget : widgets_)
        if (name == widget->control().name) return widget.get();
    return nullptr;
}

bool MainWindow::load() {
    runEvent([this] { drill_->load(); });
    return !boundary_.ended();
}

void MainWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    // The question box, first in the tab order, has the focus.
    SetFocus(question_->hwnd());
}

void MainWindow::requestQuit() {
    if (boundary_.ended()) return;
    if (!boundary_.busy()) {
        runEvent([] { throw EndProgram{}; });
        return;
    }
    // A command is waiting on a modal box (nothing else lets messages be
    // handled inside one): no box may open or stay open any more, and the
    // command ends there.
    toolkit_->stopDialogs();
    Win32Dialogs::closeOpenBoxes();
}

void MainWindow::onTick() {
    // One event at a time: no tick while a command runs or a modal box is
    // open (the box's own loop still delivers timer messages).
    if (boundary_.ended() || boundary_.busy() || toolkit_->modalOpen()) return;
    runEvent([this] { drill_->tick(); });
}

void MainWindow::endProgram() {
    timer_.setEnabled(false);
    try {
        files_.closeAll();
    } catch (...) {
    }
    ShowWindow(hwnd_, SW_HIDE);
    PostQuitMessage(0);
}

int MainWindow::run() {
    MSG msg;
    while (!boundary_.ended() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab, Shift+Tab and the arrow keys move the focus between controls.
        if (IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

LRESULT CALLBACK MainWindow::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd_ == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
    // Nothing may unwind through the system's frames.
    try {
        return self->message(msg, wParam, lParam);
    } catch (...) {
        self->boundary_.report(numberOfCurrentFailure());
        return 0;
    }
}

LRESULT MainWindow::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        // The control that sent it takes it.
        const auto it = byHwnd_.find(reinterpret_cast<HWND>(lParam));
        if (it != byHwnd_.end()) it->second->command(HIWORD(wParam));
        return 0;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const auto it = byHwnd_.find(item->hwndItem);
        if (item->CtlType != ODT_BUTTON || it == byHwnd_.end()) return FALSE;
        static_cast<const Button*>(it->second)->draw(*item);
        return TRUE;
    }
    case WM_CLOSE:
        requestQuit();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends after this returns: the program ends first, as
        // "quit program" ends it. A block is never half written here: each
        // is written whole within its command, which no message interrupts.
        if (wParam) requestQuit();
        return 0;
    case WM_DPICHANGED: {
        layOut(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_GETMINMAXINFO: {
        // Its size is the table's, even where that is more than the screen.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize = {32767, 32767};
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        // Labels on the window's own colour.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

}  // namespace drill::win32
