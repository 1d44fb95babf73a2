#pragma once
// The one window, cmd_pend_exp: its controls, the wiring of their events to
// the drill's commands, and the event boundary that keeps run-time errors
// and the end of the program from crossing into Qt's event loop.
#include <QWidget>
#include <functional>
#include <memory>

#include "drill/drill.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"

class QTimer;

namespace drill {

class CodePageTextEdit;
class PicturePanel;
class QtToolkit;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Services not given are the real ones: disk channels, the system clock
    // and the program's generator.
    explicit MainWindow(Files* files = nullptr, Clock* clock = nullptr, Random* random = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load event: start-up and the header, before the window is shown.
    // False when the program ended during it.
    bool load();

    bool programEnded() const { return ended_; }

    QtToolkit& toolkit() { return *toolkit_; }
    Drill& drill() { return *drill_; }

signals:
    // Emitted once, when the program ends; the application leaves its loop.
    void ended();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void wire();
    // Runs one event's command to its end, or nothing when the program has
    // ended or another command is still running.
    void runEvent(const std::function<void()>& command);
    void reportFailure(int number);
    void onTick();
    void endProgram();

    std::unique_ptr<Files> ownFiles_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<Random> ownRandom_;
    Files& files_;
    Clock& clock_;
    Random& random_;

    CodePageTextEdit* question_ = nullptr;
    CodePageTextEdit* answer_ = nullptr;
    PicturePanel* picture1_ = nullptr;
    PicturePanel* picture2_ = nullptr;
    QTimer* timer_ = nullptr;

    std::unique_ptr<QtToolkit> toolkit_;
    std::unique_ptr<Drill> drill_;

    bool busy_ = false;
    bool ended_ = false;
};

}  // namespace drill
