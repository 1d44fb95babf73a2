#include "qt_toolkit.h"

#include <QClipboard>
#include <QGuiApplication>

#include "window/desktop.h"
#include "picture_panel.h"
#include "platform/errors.h"
#include "text_box.h"

namespace drill {

namespace {

// Counts an open modal box for as long as it is open, however it closes.
class ModalScope {
public:
    explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
    ~ModalScope() { --depth_; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    int& depth_;
};

}  // namespace

QtToolkit::QtToolkit(const Controls& controls, Dialogs& dialogs, Beeper& beeper, Timer& timer)
    : controls_(controls), dialogs_(dialogs), beeper_(beeper), timer_(timer) {}

std::string QtToolkit::inputBox(const std::string& prompt, const std::string& caption) {
    if (stopped_) throw EndProgram{};
    ModalScope modal(modalDepth_);
    std::string answer = dialogs_.inputBox(prompt, caption);
    if (stopped_) throw EndProgram{};
    return answer;
}

void QtToolkit::messageBox(const std::string& text, const std::string& caption) {
    if (stopped_) throw EndProgram{};
    ModalScope modal(modalDepth_);
    dialogs_.messageBox(text, caption);
    if (stopped_) throw EndProgram{};
}

void QtToolkit::beep() { beeper_.beep(); }

CodePageTextEdit* QtToolkit::box(TextBox box) const {
    return box == TextBox::Question ? controls_.question : controls_.answer;
}

PicturePanel* QtToolkit::panel(Panel panel) const {
    return panel == Panel::Picture1 ? controls_.picture1 : controls_.picture2;
}

std::string QtToolkit::text(TextBox which) { return box(which)->codePageText(); }

void QtToolkit::setText(TextBox which, const std::string& text) { box(which)->setCodePageText(text); }

std::optional<Picture> QtToolkit::picture(Panel which) { return panel(which)->picture(); }

void QtToolkit::setPicture(Panel which, const std::optional<Picture>& picture) {
    panel(which)->setPicture(picture);
}

void QtToolkit::setScale(Panel which, double height, double width) { panel(which)->setScale(height, width); }

void QtToolkit::circle(Panel which, double x, double y, double radius) { panel(which)->circle(x, y, radius); }

void QtToolkit::enableTimer() { timer_.setEnabled(true); }

void QtToolkit::clipboardPut(const Picture& picture) {
    QGuiApplication::clipboard()->setImage(toImage(picture));
}

std::optional<Picture> QtToolkit::clipboardTake() {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) return std::nullopt;
    return toPicture(image);
}

}  // namespace drill
