#include "application.h"

#include "main_window.h"
#include "platform/errors.h"

namespace drill {

void reportFailureOutsideCommands(int number) {
    try {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<MainWindow*>(widget)) {
                window->reportFailure(number);
                return;
            }
        }
    } catch (...) {
        // Not even the report could be made; the program goes on.
    }
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportFailureOutsideCommands(numberOfCurrentFailure());
    }
    return true;
}

}  // namespace drill
