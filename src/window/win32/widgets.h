#pragma once
// The window's controls on Win32: each a small object around its HWND, with a
// std::function for its one event. The window hands it the WM_COMMAND that
// its HWND sent; the control keeps its own messages in a subclass.
#include <functional>
#include <optional>
#include <string>

#include <windows.h>

#include "accessible.h"
#include "platform/toolkit.h"
#include "window/controls.h"

namespace drill::win32 {

class Widget {
public:
    Widget(const ControlSpec& control, HWND hwnd);
    virtual ~Widget();
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    const ControlSpec& control() const { return control_; }
    HWND hwnd() const { return hwnd_; }

    // Its one event: a press for a button.
    std::function<void()> onEvent;
    // Told of a failure in the control's own handling of a message, outside
    // any command.
    std::function<void(int)> onFailure;
    // What a screen reader is told beyond what Windows knows of the control.
    AccessibleTexts accessible;

    // A WM_COMMAND notification from the control.
    virtual void command(WORD notification);

protected:
    // The control's own messages; `standard` is the control class's answer.
    virtual LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT standard(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK subclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR self);

    const ControlSpec& control_;
    HWND hwnd_;
};

// Registers a window class of the program's own controls (once; again is
// harmless), drawn by the control object and handled in its subclass.
void registerControlClass(HINSTANCE instance, const wchar_t* name, const wchar_t* cursor, UINT style);

// A command button that draws its own caption, wrapped within the button,
// as the narrow buttons of this window need ("Save as Notes" on two lines).
class Button : public Widget {
public:
    using Widget::Widget;
    void command(WORD notification) override;
    void draw(const DRAWITEMSTRUCT& item) const;
    // Where the caption goes within the button's rectangle.
    static RECT captionArea(const RECT& button);

protected:
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A one-line box that holds only characters of the code page: whatever is
// typed or pasted that the code page lacks shows as '?' at once, so the
// student sees exactly what will be recorded, and a paste keeps to one line.
class TextBox : public Widget {
public:
    TextBox(const ControlSpec& control, HWND hwnd);

    std::string text() const;

protected:
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    wchar_t highSurrogate_ = 0;
};

// A picture box: white, with an optional picture as its background and what
// is drawn on it kept on a surface of its own, in memory, so the drawings
// survive being covered and never become part of the picture.
class PicturePanel : public Widget {
public:
    PicturePanel(const ControlSpec& control, HWND hwnd);
    ~PicturePanel() override;

    static const wchar_t* className();
    static void registerClass(HINSTANCE instance);

    const std::optional<Picture>& picture() const { return picture_; }
    // Throws RuntimeError(5) for a picture whose pixels do not fill it.
    void setPicture(const std::optional<Picture>& picture);
    void setScale(double height, double width);
    void circle(double x, double y, double radius);
    long long circles() const { return circles_; }
    // The drawing surface: white where nothing is drawn.
    HBITMAP surface() const { return surface_; }

protected:
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void fitSurface();
    void paint(HDC dc);

    std::optional<Picture> picture_;
    double scaleHeight_ = 0;
    double scaleWidth_ = 0;
    HDC surfaceDc_ = nullptr;
    HBITMAP surface_ = nullptr;
    HGDIOBJ surfaceWas_ = nullptr;
    SIZE surfaceSize_{};
    long long circles_ = 0;
};

// Pictures as Windows keeps them: a packed DIB (a BITMAPINFOHEADER and its
// pixels), as the clipboard carries them in CF_DIB.
std::string packedDib(const Picture& picture);
std::optional<Picture> fromPackedDib(const void* dib, std::size_t bytes);

}  // namespace drill::win32
