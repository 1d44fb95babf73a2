#pragma once
// The toolkit the drill runs against: the widgets of the main window, and
// the dialogs, beep and timer the window was given.
#include <string>

#include "platform/toolkit.h"

namespace drill {

class Beeper;
class CodePageTextEdit;
class Dialogs;
class PicturePanel;
class Timer;

class QtToolkit : public Toolkit {
public:
    struct Controls {
        CodePageTextEdit* question = nullptr;
        CodePageTextEdit* answer = nullptr;
        PicturePanel* picture1 = nullptr;
        PicturePanel* picture2 = nullptr;
    };

    QtToolkit(const Controls& controls, Dialogs& dialogs, Beeper& beeper, Timer& timer);

    std::string inputBox(const std::string& prompt, const std::string& caption) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    void beep() override;

    std::string text(TextBox box) override;
    void setText(TextBox box, const std::string& text) override;

    std::optional<Picture> picture(Panel panel) override;
    void setPicture(Panel panel, const std::optional<Picture>& picture) override;
    void setScale(Panel panel, double height, double width) override;
    void circle(Panel panel, double x, double y, double radius) override;

    void enableTimer() override;

    void clipboardPut(const Picture& picture) override;
    std::optional<Picture> clipboardTake() override;

    // True while a modal box is open: Qt still delivers timer events inside
    // a dialog's own event loop, and no tick may run then.
    bool modalOpen() const { return modalDepth_ > 0; }

    // The program is ending: a box that is open or about to open ends the
    // command that asked for it instead (throws EndProgram).
    void stopDialogs() { stopped_ = true; }

private:
    CodePageTextEdit* box(TextBox box) const;
    PicturePanel* panel(Panel panel) const;

    Controls controls_;
    Dialogs& dialogs_;
    Beeper& beeper_;
    Timer& timer_;
    int modalDepth_ = 0;
    bool stopped_ = false;
};

}  // namespace drill
