#include "qt_desktop.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "code_page_text.h"
#include "text_box.h"

namespace drill {

namespace {

constexpr int kPromptWidth = 400;  // pixels

}  // namespace

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& caption) {
    QInputDialog dialog(owner_);
    dialog.setWindowTitle(toQt(caption));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(toQt(prompt));
    dialog.setTextValue(QString());
    // The prompt is plain text, never markup, and the long ones wrap.
    // The dialog's layout sets its minimum size from its contents, so the
    // width goes to the label: the first prompt fits on one line.
    if (auto* label = dialog.findChild<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMinimumWidth(kPromptWidth);
    }
    // What the student types shows as it will be recorded.
    if (auto* edit = dialog.findChild<QLineEdit*>()) limitToCodePage(edit);
    if (dialog.exec() != QDialog::Accepted) return {};
    // One line, as the entry field shows it: a pasted line break must not
    // put a line of its own into a record.
    return fromQt(firstLine(dialog.textValue()));
}

void QtDialogs::messageBox(const std::string& text, const std::string& caption) {
    QMessageBox box(owner_);
    box.setWindowTitle(toQt(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(toQt(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void SystemBeeper::beep() { QApplication::beep(); }

QtTimer::QtTimer() {
    timer_.setObjectName("tmr_pend_exp");
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_) handler_();
    });
}

void QtTimer::setEnabled(bool enabled) {
    if (!enabled) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        // A second press leaves the running timer alone rather than restarting it.
        timer_.start();
    }
}

}  // namespace drill
