#pragma once
// The toolkit the drill runs against: the widgets of the main window, and
// the dialogs, beep and timer the window was given.
#include <string>

#include "window/desktop_toolkit.h"

namespace drill {

class CodePageTextEdit;
class PicturePanel;

class QtToolkit : public DesktopToolkit {
public:
    struct Controls {
        CodePageTextEdit* question = nullptr;
        CodePageTextEdit* answer = nullptr;
        PicturePanel* picture1 = nullptr;
        PicturePanel* picture2 = nullptr;
    };

    QtToolkit(const Controls& controls, Dialogs& dialogs, Beeper& beeper, Timer& timer);

    std::string text(TextBox box) override;
    void setText(TextBox box, const std::string& text) override;

    std::optional<Picture> picture(Panel panel) override;
    void setPicture(Panel panel, const std::optional<Picture>& picture) override;
    void setScale(Panel panel, double height, double width) override;
    void circle(Panel panel, double x, double y, double radius) override;

    void clipboardPut(const Picture& picture) override;
    std::optional<Picture> clipboardTake() override;

private:
    CodePageTextEdit* box(TextBox box) const;
    PicturePanel* panel(Panel panel) const;

    Controls controls_;
};

}  // namespace drill
