#include "widgets.h"

#include <commctrl.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/errors.h"
#include "window/desktop_toolkit.h"
#include "text.h"

namespace drill::win32 {

Widget::Widget(const ControlSpec& control, HWND hwnd) : control_(control), hwnd_(hwnd) {
    SetWindowSubclass(hwnd_, subclass, 1, reinterpret_cast<DWORD_PTR>(this));
}

Widget::~Widget() { RemoveWindowSubclass(hwnd_, subclass, 1); }

void Widget::command(WORD) {}

LRESULT Widget::standard(UINT msg, WPARAM wParam, LPARAM lParam) { return DefSubclassProc(hwnd_, msg, wParam, lParam); }

LRESULT Widget::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETOBJECT && (accessible.name || accessible.description || accessible.value || accessible.role != 0)) {
        if (const LRESULT object = accessibleObject(hwnd_, wParam, lParam, accessible)) return object;
    }
    return standard(msg, wParam, lParam);
}

// No exception may unwind through the system's frames: what a handler
// cannot do (memory running out in a huge paste) is reported here, and the
// message is taken as handled.
LRESULT CALLBACK Widget::subclass(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* widget = reinterpret_cast<Widget*>(self);
    try {
        return widget->message(msg, wParam, lParam);
    } catch (...) {
        if (widget->onFailure) widget->onFailure(numberOfCurrentFailure());
        return 0;
    }
}

void Button::command(WORD notification) {
    if (notification == BN_CLICKED && onEvent) onEvent();
}

// The system makes the second of two quick clicks a double-click, which an
// owner-drawn button reports as BN_DOUBLECLICKED and never as a press. A
// student who clicks twice to be sure means two presses, as a standard push
// button takes them: the second click goes down as the first did.
LRESULT Button::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDBLCLK) return standard(WM_LBUTTONDOWN, wParam, lParam);
    return Widget::message(msg, wParam, lParam);
}

// Within the button's frame, which is two pixels wide.
RECT Button::captionArea(const RECT& button) {
    return {button.left + 2, button.top + 2, button.right - 2, button.bottom - 2};
}

void Button::draw(const DRAWITEMSTRUCT& item) const {
    HDC dc = item.hDC;
    RECT face = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0u));
    const int length = GetWindowTextLengthW(hwnd());
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(GetWindowTextW(hwnd(), caption.data(), length + 1)));
    RECT area = captionArea(item.rcItem);
    if (pushed) OffsetRect(&area, 1, 1);
    // Centred both ways: measured first, then drawn in the middle.
    RECT measured = area;
    const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    DrawTextW(dc, caption.c_str(), -1, &measured, format | DT_CALCRECT);
    const LONG height = measured.bottom - measured.top;
    if (height < area.bottom - area.top) area.top += (area.bottom - area.top - height) / 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, caption.c_str(), -1, &area, format);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = captionArea(item.rcItem);
        DrawFocusRect(dc, &focus);
    }
}

TextBox::TextBox(const ControlSpec& control, HWND hwnd) : Widget(control, hwnd) {
    // As much as memory holds, typed or pasted, not the 30 000 characters
    // an edit box takes by default.
    SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
}

std::string TextBox::text() const {
    const int length = GetWindowTextLengthW(hwnd());
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd(), buffer.data(), length + 1);
    buffer.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return narrow(buffer);
}

LRESULT TextBox::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE: {
        LRESULT code = standard(msg, wParam, lParam);
        // Tab moves on to the next control, as the tab order says.
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB)
            code &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS);
        return code;
    }
    case WM_CHAR:
    case WM_IME_CHAR: {
        auto c = static_cast<wchar_t>(wParam);
        if (c == 1) {  // Ctrl+A
            SendMessageW(hwnd(), EM_SETSEL, 0, -1);
            return 0;
        }
        // A character outside the basic plane comes as two halves: it is
        // one character the code page lacks, one '?'.
        if (c >= 0xD800 && c <= 0xDBFF) {
            highSurrogate_ = c;
            return 0;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) {
            c = L'?';
            highSurrogate_ = 0;
        } else if (c >= 0x20) {
            c = limitToCodePage(std::wstring_view(&c, 1)).front();
        }
        return standard(msg, c, lParam);
    }
    case WM_PASTE: {
        // The first line only, and what stood after the caret stays.
        const std::wstring limited = limitToCodePage(firstLine(clipboardText(hwnd())));
        SendMessageW(hwnd(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(limited.c_str()));
        return 0;
    }
    default:
        return Widget::message(msg, wParam, lParam);
    }
}

const wchar_t* PicturePanel::className() { return L"AssignmentDrillPicture"; }

void registerControlClass(HINSTANCE instance, const wchar_t* name, const wchar_t* cursor, UINT style) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, cursor);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);  // fails harmlessly when it is registered already
}

void PicturePanel::registerClass(HINSTANCE instance) {
    registerControlClass(instance, className(), IDC_ARROW, CS_HREDRAW | CS_VREDRAW);
}

PicturePanel::PicturePanel(const ControlSpec& control, HWND hwnd) : Widget(control, hwnd) {
    surfaceDc_ = CreateCompatibleDC(nullptr);
    fitSurface();
}

PicturePanel::~PicturePanel() {
    if (surfaceWas_ != nullptr) SelectObject(surfaceDc_, surfaceWas_);
    if (surface_ != nullptr) DeleteObject(surface_);
    if (surfaceDc_ != nullptr) DeleteDC(surfaceDc_);
}

void PicturePanel::setPicture(const std::optional<Picture>& picture) {
    requireWholePicture(picture);
    picture_ = picture;
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void PicturePanel::setScale(double height, double width) {
    // A zero extent would put every point at infinity.
    if (height == 0 || width == 0 || !std::isfinite(height) || !std::isfinite(width)) fail(err::InvalidArgument);
    scaleHeight_ = height;
    scaleWidth_ = width;
}

void PicturePanel::circle(double x, double y, double radius) {
    fitSurface();
    const double w = surfaceSize_.cx, h = surfaceSize_.cy;
    // Until a scale is set the units are pixels.
    const double sw = scaleWidth_ != 0 ? scaleWidth_ : w;
    const double sh = scaleHeight_ != 0 ? scaleHeight_ : h;
    const double cx = x * w / sw, cy = y * h / sh, r = std::abs(radius * w / sw);
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
    // GDI takes coordinates within 27 bits; anything beyond is off the panel.
    constexpr double kFar = 1 << 26;
    if (std::abs(cx) + r > kFar || std::abs(cy) + r > kFar) return;
    if (r < 0.5) {
        SetPixel(surfaceDc_, static_cast<int>(std::lround(cx)), static_cast<int>(std::lround(cy)), RGB(0, 0, 0));
    } else {
        Ellipse(surfaceDc_, static_cast<int>(std::lround(cx - r)), static_cast<int>(std::lround(cy - r)),
                static_cast<int>(std::lround(cx + r)) + 1, static_cast<int>(std::lround(cy + r)) + 1);
    }
    ++circles_;
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void PicturePanel::fitSurface() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    const SIZE size{client.right > 0 ? client.right : 1, client.bottom > 0 ? client.bottom : 1};
    if (surface_ != nullptr && size.cx == surfaceSize_.cx && size.cy == surfaceSize_.cy) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP fresh = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (fresh == nullptr) fail(err::OutOfMemory);
    HDC freshDc = CreateCompatibleDC(nullptr);
    HGDIOBJ freshWas = SelectObject(freshDc, fresh);
    PatBlt(freshDc, 0, 0, size.cx, size.cy, WHITENESS);
    // Keep what was drawn when the panel changes size.
    if (surface_ != nullptr) BitBlt(freshDc, 0, 0, surfaceSize_.cx, surfaceSize_.cy, surfaceDc_, 0, 0, SRCCOPY);
    SelectObject(freshDc, freshWas);
    DeleteDC(freshDc);
    if (surfaceWas_ != nullptr) SelectObject(surfaceDc_, surfaceWas_);
    if (surface_ != nullptr) DeleteObject(surface_);
    surface_ = fresh;
    surfaceWas_ = SelectObject(surfaceDc_, surface_);
    SelectObject(surfaceDc_, GetStockObject(NULL_BRUSH));
    SelectObject(surfaceDc_, GetStockObject(BLACK_PEN));
    surfaceSize_ = size;
}

void PicturePanel::paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (picture_ && picture_->width > 0 && picture_->height > 0) {
        const std::string dib = packedDib(*picture_);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(picture_->width), static_cast<DWORD>(picture_->height), 0, 0,
                          0, static_cast<UINT>(picture_->height), dib.data() + sizeof(BITMAPINFOHEADER), info,
                          DIB_RGB_COLORS);
    }
    // The surface is white where nothing is drawn: ANDed over the picture,
    // only the drawing shows.
    BitBlt(dc, 0, 0, surfaceSize_.cx, surfaceSize_.cy, surfaceDc_, 0, 0, SRCAND);
    if (GetFocus() == hwnd()) {
        // The panel takes the keyboard focus in the tab order: it shows it.
        HBRUSH highlight = GetSysColorBrush(COLOR_HIGHLIGHT);
        FrameRect(dc, &client, highlight);
        RECT inner{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
        FrameRect(dc, &inner, highlight);
    }
}

LRESULT PicturePanel::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paint(dc);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        fitSurface();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd());
        return 0;
    default:
        return Widget::message(msg, wParam, lParam);
    }
}

std::string packedDib(const Picture& picture) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = -picture.height;  // top-down, as the picture's rows are
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const std::size_t pixelBytes = picture.pixels.size() * sizeof(std::uint32_t);
    header.biSizeImage = static_cast<DWORD>(pixelBytes);
    std::string dib(sizeof header + pixelBytes, '\0');
    std::memcpy(dib.data(), &header, sizeof header);
    // ARGB32 words in memory are the blue, green, red, alpha bytes of a DIB.
    if (pixelBytes > 0) std::memcpy(dib.data() + sizeof header, picture.pixels.data(), pixelBytes);
    return dib;
}

std::optional<Picture> fromPackedDib(const void* data, std::size_t bytes) {
    // The clipboard holds what any program put there: every size is checked
    // before a byte is read.
    if (data == nullptr || bytes < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof header || header.biSize > bytes || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<LONG>::min() || header.biPlanes != 1)
        return std::nullopt;
    const long long width = header.biWidth;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    if (width > 16384 || height > 16384) return std::nullopt;
    std::size_t colours = 0;
    if (header.biBitCount <= 8) colours = header.biClrUsed != 0 ? header.biClrUsed : (1u << header.biBitCount);
    std::size_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof header ? 3 * sizeof(DWORD) : 0;
    const std::size_t infoBytes = header.biSize + masks + colours * sizeof(RGBQUAD);
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return std::nullopt;
    const std::size_t stride = ((static_cast<std::size_t>(width) * header.biBitCount + 31) / 32) * 4;
    if (header.biBitCount == 0 || infoBytes > bytes || stride * static_cast<std::size_t>(height) > bytes - infoBytes)
        return std::nullopt;

    // Whatever its format, GDI draws it into 32-bit pixels of our own.
    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.assign(static_cast<std::size_t>(width * height), 0);
    const auto* bytesIn = static_cast<const char*>(data);
    if (header.biBitCount == 32 && header.biCompression == BI_RGB) {
        for (long long y = 0; y < height; ++y) {
            const long long row = header.biHeight < 0 ? y : height - 1 - y;
            std::memcpy(picture.pixels.data() + y * width, bytesIn + infoBytes + static_cast<std::size_t>(row) * stride,
                        static_cast<std::size_t>(width) * 4);
        }
        return picture;
    }
    BITMAPINFO out{};
    out.bmiHeader.biSize = sizeof out.bmiHeader;
    out.bmiHeader.biWidth = picture.width;
    out.bmiHeader.biHeight = -picture.height;
    out.bmiHeader.biPlanes = 1;
    out.bmiHeader.biBitCount = 32;
    out.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &out, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (target == nullptr) return std::nullopt;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ was = SelectObject(dc, target);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), bytesIn + infoBytes, reinterpret_cast<const BITMAPINFO*>(data),
                      DIB_RGB_COLORS);
    GdiFlush();
    std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * 4);
    for (std::uint32_t& pixel : picture.pixels) pixel |= 0xFF000000u;  // no alpha in these formats
    SelectObject(dc, was);
    DeleteDC(dc);
    DeleteObject(target);
    return picture;
}

}  // namespace drill::win32
