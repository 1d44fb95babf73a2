#pragma once
// The one window, cmd_pend_exp: its controls, the wiring of their events to
// the drill's commands, and the event boundary that keeps run-time errors
// and the end of the program from crossing into Qt's event loop.
#include <QWidget>
#include <functional>
#include <memory>

#include "drill/drill.h"
#include "window/controls.h"
#include "window/desktop.h"
#include "window/event_boundary.h"

namespace drill {

class Beeper;
class Clock;
class CodePageTextEdit;
class Dialogs;
class Files;
class PicturePanel;
class QtToolkit;
class Random;
class Timer;
struct FormState;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(const WindowServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load event: start-up and the header, before the window is shown.
    // False when the program ended during it.
    bool load();

    bool programEnded() const { return boundary_.ended(); }

    // Ends the program as "quit program" does, for a request from outside
    // (a signal of the session): at once when no command runs, otherwise as
    // soon as the modal box that the command waits on is closed.
    void requestQuit();

    // Tells the student of a failure that happened outside any command, in
    // Qt's own handling of an event, as a failed command's is told.
    void reportFailure(int number);

signals:
    // Emitted once, when the program ends; the application leaves its loop.
    void ended();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void wire();
    template <class Command>
    void runEvent(Command&& command);
    void onTick();
    // Tells a screen reader when the experiment display has changed enough
    // to say so again.
    void tellExperiment();
    // Takes the window away: the boundary calls it once.
    void endProgram();

    Files& files_;
    Timer& timer_;

    CodePageTextEdit* question_ = nullptr;
    CodePageTextEdit* answer_ = nullptr;
    PicturePanel* picture1_ = nullptr;
    PicturePanel* picture2_ = nullptr;

    // What a screen reader was last told of the experiment display.
    ExperimentNews experimentNews_;

    std::unique_ptr<QtToolkit> toolkit_;
    std::unique_ptr<Drill> drill_;

    EventBoundary boundary_;
};

}  // namespace drill
