#pragma once
// The one window, cmd_pend_exp, on Win32: its controls built from the shared
// table, the wiring of their events to the drill's commands, and the event
// boundary that keeps run-time errors and the end of the program from
// crossing into the message loop.
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include <windows.h>

#include "drill/drill.h"
#include "window/controls.h"
#include "window/desktop.h"
#include "window/event_boundary.h"

namespace drill::win32 {

class PicturePanel;
class TextView;
class Widget;
class Win32Toolkit;

class MainWindow {
public:
    explicit MainWindow(const WindowServices& services);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The load event: start-up and the header, before the window is shown.
    // False when the program ended during it.
    bool load();
    void show();
    bool programEnded() const { return boundary_.ended(); }

    // Ends the program as "quit program" does, for a request from outside
    // (closing the window, the end of the session): at once when no command
    // runs, otherwise as soon as the modal box that the command waits on is
    // closed.
    void requestQuit();

    // Places every control and sizes the fonts for a screen of that many
    // dots per inch.
    void layOut(int dpi);
    int dpi() const { return dpi_; }
    HFONT font(bool box) const { return box ? boxFont_ : defaultFont_; }

    // The control of that name (tests drive the window through it).
    Widget* find(std::string_view name) const;

    // Runs the messages of the thread until the program ends.
    int run();

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam);
    void buildControls();
    void wire();
    // Runs one event's command at the boundary.
    template <class Command>
    void runEvent(Command&& command);
    void onTick();
    void endProgram();

    Files& files_;
    Timer& timer_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    HFONT defaultFont_ = nullptr;
    HFONT boxFont_ = nullptr;
    std::vector<std::unique_ptr<Widget>> widgets_;
    std::map<HWND, Widget*> byHwnd_;
    TextView* question_ = nullptr;
    TextView* answer_ = nullptr;
    PicturePanel* picture1_ = nullptr;
    PicturePanel* picture2_ = nullptr;
    std::unique_ptr<Win32Toolkit> toolkit_;
    std::unique_ptr<Drill> drill_;
    EventBoundary boundary_;
    ExperimentNews experimentNews_;
};

}  // namespace drill::win32
