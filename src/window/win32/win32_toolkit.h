#pragma once
// The toolkit the drill runs against on Win32: the controls of the main
// window, the system clipboard, and the dialogs, beep and timer the window
// was given.
#include "window/desktop_toolkit.h"

#include <windows.h>

namespace drill::win32 {

class PicturePanel;
class TextView;

class Win32Toolkit : public DesktopToolkit {
public:
    struct Controls {
        HWND window = nullptr;  // owns the clipboard while it is written
        TextView* question = nullptr;
        TextView* answer = nullptr;
        PicturePanel* picture1 = nullptr;
        PicturePanel* picture2 = nullptr;
    };

    Win32Toolkit(const Controls& controls, Dialogs& dialogs, Beeper& beeper, Timer& timer);

    std::string text(drill::TextBox box) override;
    void setText(drill::TextBox box, const std::string& text) override;

    std::optional<Picture> picture(Panel panel) override;
    void setPicture(Panel panel, const std::optional<Picture>& picture) override;
    void setScale(Panel panel, double height, double width) override;
    void circle(Panel panel, double x, double y, double radius) override;

    void clipboardPut(const Picture& picture) override;
    std::optional<Picture> clipboardTake() override;

private:
    TextView* box(drill::TextBox box) const;
    win32::PicturePanel* panel(Panel panel) const;

    Controls controls_;
};

}  // namespace drill::win32
