#pragma once
// The whole window on Qt's offscreen platform, on a temporary drive, with a
// fixed clock and generator, its buttons pressed with the mouse. Dialogs are
// either answered through the toolkit's seam or, with real dialogs, shown and
// answered by a DialogDriver as a student would.
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

#include "../unit/fakes.h"
#include "drill/texts.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "window/code_page_text.h"
#include "window/main_window.h"
#include "window/qt_toolkit.h"
#include "window/text_box.h"

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

class DrillWindow {
public:
    explicit DrillWindow(bool realDialogs = false) {
        window = std::make_unique<MainWindow>(files.get(), &clock, &random);
        window->toolkit().beepHook = [] {};
        if (realDialogs)
            dialogs = std::make_unique<DialogDriver>();
        else
            window->toolkit().scripted = true;
    }
    ~DrillWindow() {
        window.reset();
        files.reset();
    }

    QtToolkit& toolkit() { return window->toolkit(); }
    FormState& state() { return window->drill().state(); }

    // The four start-up answers (through the seam), then the load event; the
    // window is shown as the program shows it unless the program ended.
    bool load(const std::string& place, const std::string& name, const std::string& initials,
              const std::string& assignment) {
        toolkit().nextInputs = {place, name, initials, assignment};
        return finishLoad();
    }
    // The load event with every prompt left to the dialogs.
    bool loadWithDialogs() { return finishLoad(); }

    void press(const char* name) {
        auto* button = window->findChild<QPushButton*>(name);
        if (button == nullptr) throw std::runtime_error(std::string("no button ") + name);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    CodePageTextEdit* box(const char* name) { return window->findChild<CodePageTextEdit*>(name); }
    void setAnswer(const std::string& codePageText) { box("txt_answer")->setCodePageText(codePageText); }
    std::string answer() { return box("txt_answer")->codePageText(); }
    std::string question() { return box("txt_question")->codePageText(); }

    // Every message shown so far, in order.
    const std::vector<std::string>& messages() const {
        return dialogs ? dialogs->messages : window->toolkit().messages;
    }

    fs::path home(const std::string& file = {}) const { return drive.path("tarnholm") / file; }
    // Name of a file in the data directory as it is on disk (UTF-8).
    static std::string onDisk(const std::string& codePageName) { return cp1252::toUtf8(codePageName); }

    testing::TempDrive drive;
    testing::FakeClock clock;  // 12-07-2026 10:37:30
    testing::ScriptedRandom random;
    std::unique_ptr<Files> files = makeDiskFiles();
    std::unique_ptr<DialogDriver> dialogs;
    std::unique_ptr<MainWindow> window;

private:
    bool finishLoad() {
        if (!window->load()) return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
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
