#pragma once
// The toolkit the drill runs against, on Qt widgets of the main window.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/toolkit.h"

class QTimer;
class QWidget;

namespace drill {

class CodePageTextEdit;
class PicturePanel;

class QtToolkit : public Toolkit {
public:
    struct Controls {
        QWidget* window = nullptr;  // parent of the modal boxes
        CodePageTextEdit* question = nullptr;
        CodePageTextEdit* answer = nullptr;
        PicturePanel* picture1 = nullptr;
        PicturePanel* picture2 = nullptr;
        QTimer* timer = nullptr;
    };

    // `end` ends the program (the window decides what that takes).
    QtToolkit(const Controls& controls, std::function<void()> end);

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

    void endProgram() override;

    // True while a modal box is open: Qt still delivers timer events inside
    // a dialog's own event loop, and no tick may run then.
    bool modalOpen() const { return modalDepth_ > 0; }

    // Seam for tests and scripted runs. Input boxes take the next answer from
    // `nextInputs` while it holds one; while `scripted` is set they never show
    // a dialog (an empty queue answers as Cancel does) and message boxes are
    // recorded in `messages` instead of shown. Prompts are recorded always.
    std::deque<std::string> nextInputs;
    bool scripted = false;
    std::vector<std::string> prompts;
    std::vector<std::string> messages;

    // The system beep; replaceable so tests can count it and benchmarks
    // silence it.
    std::function<void()> beepHook;

private:
    CodePageTextEdit* box(TextBox box) const;
    PicturePanel* panel(Panel panel) const;

    Controls controls_;
    std::function<void()> end_;
    int modalDepth_ = 0;
};

}  // namespace drill
