#pragma once
// The whole window on Qt's offscreen platform, on a temporary drive, with a
// fixed clock and generator, its buttons pressed with the mouse. Dialogs are
// either the scripted ones or, with real dialogs, shown and answered by a
// DialogDriver as a student would.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drill/texts.h"
#include "platform/codepage.h"
#include "window/qt/code_page_text.h"
#include "window_harness.h"

namespace drill::e2e {

namespace fs = std::filesystem;

inline std::string messageB(int number) { return std::string(texts::kMessageB) + std::to_string(number); }
inline const std::string kMessageA = texts::kMessageA;
inline const std::string kAnswerPrompt = std::string(texts::kInstruction1) + "\r\n\r\n" + texts::kInstruction2;

// Answers the modal boxes that the window opens: each input box with the
// next answer (none: Cancel), each message box with OK; records what they said.
class DialogDriver : public QObject {
public:
    std::deque<std::optional<QString>> answers;
    std::vector<std::string> prompts;
    std::vector<std::string> messages;

    DialogDriver() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* input = qobject_cast<QInputDialog*>(modal); input != nullptr && input->isVisible()) {
            prompts.push_back(fromQt(input->labelText()));
            std::optional<QString> answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            if (answer) {
                input->setTextValue(*answer);
                input->accept();
            } else {
                input->reject();
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->isVisible()) {
            messages.push_back(fromQt(box->text()));
            box->button(QMessageBox::Ok)->click();
        }
    }

    QTimer timer_;
};

class DrillWindow : public testing::WindowHarness {
public:
    explicit DrillWindow(bool realDialogs = false) : WindowHarness(realDialogs) {
        if (realDialogs) driver = std::make_unique<DialogDriver>();
    }

    // The four start-up answers (through the scripted dialogs), then the load
    // event; the window is shown as the program shows it unless the program
    // ended.
    bool load(const std::string& place, const std::string& name, const std::string& initials,
              const std::string& assignment) {
        dialogs.answers = {place, name, initials, assignment};
        return finishLoad();
    }
    // The load event with every prompt left to the real dialogs.
    bool loadWithDialogs() { return finishLoad(); }

    // Every message shown so far, in order.
    const std::vector<std::string>& messages() const {
        return usesRealDialogs() ? driver->messages : dialogs.messages;
    }

    // Name of a file in the data directory as it is on disk (UTF-8).
    static std::string onDisk(const std::string& codePageName) { return cp1252::toUtf8(codePageName); }

    std::unique_ptr<DialogDriver> driver;

private:
    bool finishLoad() {
        if (!window.load()) return false;
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

// Every file and directory under a root, with the bytes of each file.
inline std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> all;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string name = fs::relative(it->path(), root).string();
        all[name] = it->is_symlink()     ? "<link>"
                    : it->is_directory() ? "<directory>"
                                         : testing::readFile(it->path());
    }
    return all;
}

}  // namespace drill::e2e
