// The yardstick for start-up: a minimal Qt program that shows one input box
// with the drill's first prompt. With DRILL_EXIT_AT_FIRST_PROMPT set it exits
// as soon as the box has been painted, as the drill does.
#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QLabel>
#include <QTimer>
#include <cstdlib>
#include <unistd.h>

namespace {

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

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ExitWhenPainted exitHook;
    QInputDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Assignment Drill"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(QStringLiteral("Enter 1 for home user, 2 for KOLV LAN user"));
    // Set up as the drill sets up its input boxes, so both draw the same.
    if (auto* label = dialog.findChild<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    dialog.setMinimumWidth(420);
    if (const char* e = std::getenv("DRILL_EXIT_AT_FIRST_PROMPT"); e != nullptr && *e != '\0')
        dialog.installEventFilter(&exitHook);
    dialog.exec();
    return 0;
}
