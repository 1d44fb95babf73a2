#include "qt_toolkit.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <utility>

#include <unistd.h>

#include "code_page_text.h"
#include "picture_panel.h"
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

// Start-up is measured up to the first input box on the screen: with
// DRILL_EXIT_AT_FIRST_PROMPT set, the program says so and exits as soon as an
// input box has been painted.
class ExitWhenPainted : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QTimer::singleShot(0, [] {
                static const char kShown[] = "first prompt shown\n";
                if (::write(1, kShown, sizeof kShown - 1) < 0) std::_Exit(1);
                std::_Exit(0);
            });
        }
        return false;
    }
};

}  // namespace

QtToolkit::QtToolkit(const Controls& controls, std::function<void()> end)
    : beepHook([] { QApplication::beep(); }), controls_(controls), end_(std::move(end)) {}

std::string QtToolkit::inputBox(const std::string& prompt, const std::string& caption) {
    prompts.push_back(prompt);
    if (!nextInputs.empty()) {
        std::string answer = std::move(nextInputs.front());
        nextInputs.pop_front();
        return answer;
    }
    if (scripted) return {};

    ModalScope modal(modalDepth_);
    ExitWhenPainted exitHook;
    QInputDialog dialog(controls_.window);
    dialog.setWindowTitle(toQt(caption));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(toQt(prompt));
    dialog.setTextValue(QString());
    // The prompt is plain text, never markup, and the long ones wrap.
    if (auto* label = dialog.findChild<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    // What the student types shows as it will be recorded.
    if (auto* edit = dialog.findChild<QLineEdit*>()) limitToCodePage(edit);
    dialog.setMinimumWidth(420);
    if (const char* e = std::getenv("DRILL_EXIT_AT_FIRST_PROMPT"); e != nullptr && *e != '\0')
        dialog.installEventFilter(&exitHook);
    if (dialog.exec() != QDialog::Accepted) return {};
    return fromQt(dialog.textValue());
}

void QtToolkit::messageBox(const std::string& text, const std::string& caption) {
    if (scripted) {
        messages.push_back(text);
        return;
    }
    ModalScope modal(modalDepth_);
    QMessageBox box(controls_.window);
    box.setWindowTitle(toQt(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(toQt(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtToolkit::beep() {
    if (beepHook) beepHook();
}

CodePageTextEdit* QtToolkit::box(TextBox box) const {
    return box == TextBox::Question ? controls_.question : controls_.answer;
}

PicturePanel* QtToolkit::panel(Panel panel) const {
    return panel == Panel::Picture1 ? controls_.picture1 : controls_.picture2;
}

std::string QtToolkit::text(TextBox which) { return box(which)->codePageText(); }

void QtToolkit::setText(TextBox which, const std::string& text) {
    box(which)->setCodePageText(text);
}

std::optional<Picture> QtToolkit::picture(Panel which) { return panel(which)->picture(); }

void QtToolkit::setPicture(Panel which, const std::optional<Picture>& picture) {
    panel(which)->setPicture(picture);
}

void QtToolkit::setScale(Panel which, double height, double width) {
    panel(which)->setScale(height, width);
}

void QtToolkit::circle(Panel which, double x, double y, double radius) {
    panel(which)->circle(x, y, radius);
}

void QtToolkit::enableTimer() {
    // A second press leaves the running timer alone rather than restarting it.
    if (!controls_.timer->isActive()) controls_.timer->start();
}

void QtToolkit::clipboardPut(const Picture& picture) {
    QGuiApplication::clipboard()->setImage(toImage(picture));
}

std::optional<Picture> QtToolkit::clipboardTake() {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) return std::nullopt;
    return toPicture(image);
}

void QtToolkit::endProgram() {
    if (end_) end_();
}

}  // namespace drill
