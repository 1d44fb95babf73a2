#pragma once
// The desktop on Qt: modal boxes, the system beep and a timer.
#include <QPointer>
#include <QTimer>
#include <functional>

#include "window/desktop.h"

class QWidget;

namespace drill {

class QtDialogs : public Dialogs {
public:
    // The boxes open over `owner` once it is set (the main window).
    void setOwner(QWidget* owner) { owner_ = owner; }

    std::string inputBox(const std::string& prompt, const std::string& caption) override;
    void messageBox(const std::string& text, const std::string& caption) override;

private:
    QPointer<QWidget> owner_;
};

class SystemBeeper : public Beeper {
public:
    void beep() override;
};

class QtTimer : public Timer {
public:
    QtTimer();

    void setInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int interval() const override { return timer_.interval(); }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return timer_.isActive(); }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    const QTimer& qtTimer() const { return timer_; }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace drill
