#include "bench_window.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

#include "platform/paths.h"
#include "window/qt/text_box.h"

namespace drill::bench {

namespace {

struct TempDrive {
    TempDrive() {
        char tmpl[] = "/tmp/drill_bench_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
        root = tmpl;
        setenv("DRILL_DRIVE_C", tmpl, 1);
    }
    ~TempDrive() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
};

// Counts paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    PaintCounter(QObject* question, int& questionPaints, QObject* picture, int& picturePaints)
        : question_(question), picture_(picture), questionPaints_(questionPaints),
          picturePaints_(picturePaints) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (watched == question_) ++questionPaints_;
            if (watched == picture_) ++picturePaints_;
        }
        return false;
    }

private:
    QObject* question_;
    QObject* picture_;
    int& questionPaints_;
    int& picturePaints_;
};

}  // namespace

const std::filesystem::path& driveRoot() {
    static TempDrive drive;
    return drive.root;
}

void settle() {
    // A paint can post more work (a second layout pass, a scroll bar range);
    // two rounds take that in without waiting for anything.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

long residentKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

BenchWindow::BenchWindow(const std::string& student) {
    driveRoot();
    window_ = std::make_unique<MainWindow>(
        WindowServices{*files_, *clock_, *random_, dialogs_, beeper_, timer_, state_});
    dialogs_.answers = {"1", student, "ABC", "1"};
    if (!window_->load()) throw std::runtime_error("the window ended during its load event");
    if (!dialogs_.messages.empty()) throw std::runtime_error("start-up reported: " + dialogs_.messages.front());

    auto* question = window_->findChild<QAbstractScrollArea*>("txt_question");
    QWidget* picture = window_->findChild<QWidget*>("Picture1");
    paintCounter_ = std::make_unique<PaintCounter>(question->viewport(), questionPaints,
                                                   picture, picturePaints);
    question->viewport()->installEventFilter(paintCounter_.get());
    picture->installEventFilter(paintCounter_.get());

    window_->show();
    for (int i = 0; i < 200 && !(window_->windowHandle() && window_->windowHandle()->isExposed()); ++i)
        settle();
    settle();
}

BenchWindow::~BenchWindow() {
    window_.reset();
    settle();
}

QPushButton* BenchWindow::button(const char* name) const {
    auto* b = window_->findChild<QPushButton*>(QString::fromLatin1(name));
    if (b == nullptr) throw std::runtime_error(std::string("no button ") + name);
    return b;
}

void BenchWindow::press(QPushButton* button) {
    button->click();
    settle();
}

namespace {

const char* boxName(TextBox box) { return box == TextBox::Question ? "txt_question" : "txt_answer"; }

}  // namespace

CodePageTextEdit* BenchWindow::box(TextBox box) const {
    return window_->findChild<CodePageTextEdit*>(boxName(box));
}

std::string BenchWindow::text(TextBox which) { return box(which)->codePageText(); }

void BenchWindow::key(TextBox which, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    CodePageTextEdit* target = box(which);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
    settle();
}

void BenchWindow::setText(TextBox box, const std::string& text) {
    window_->findChild<CodePageTextEdit*>(boxName(box))->setCodePageText(text);
    settle();
}

std::filesystem::path BenchWindow::native(const std::string& windowsPath) {
    std::optional<std::string> p = nativePath(windowsPath);
    if (!p) throw std::runtime_error("no native path for " + windowsPath);
    return *p;
}


}  // namespace drill::bench
