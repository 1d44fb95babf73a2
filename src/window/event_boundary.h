#pragma once
// Where an event of the toolkit enters the program, on every front end: one
// command runs to its end at a time; a run-time error that escapes it becomes
// the drill's error report; the end of the program ends it once; and nothing
// is thrown back into the toolkit's event loop.
#include <functional>
#include <optional>
#include <utility>

#include "platform/errors.h"

namespace drill {

class EventBoundary {
public:
    // `report` tells the student of a failure by the error-report rule and
    // throws EndProgram where that ends the program (9); `end` takes the
    // window away, once.
    EventBoundary(std::function<void(int)> report, std::function<void()> end)
        : report_(std::move(report)), end_(std::move(end)) {}

    // Runs one event's command to its end, or nothing when the program has
    // ended or another command is still running (inside its modal box).
    // A template, so that nothing is allocated before its guard is up.
    template <class Command>
    void run(Command&& command) noexcept {
        if (ended_ || busy_) return;
        busy_ = true;
        std::optional<int> failure;
        bool end = false;
        try {
            command();
        } catch (const EndProgram&) {
            end = true;
        } catch (...) {
            failure = numberOfCurrentFailure();
        }
        if (end) {
            endProgram();
        } else if (failure) {
            report(*failure);
        }
        busy_ = false;
    }

    // Tells the student of a failure, in a command or outside any.
    void report(int number) noexcept {
        if (ended_) return;
        try {
            report_(number);
        } catch (const EndProgram&) {
            endProgram();
        } catch (...) {
            // A box that cannot even be shown has nobody to tell.
        }
    }

    void endProgram() noexcept {
        if (ended_) return;
        ended_ = true;
        try {
            end_();
        } catch (...) {
            // The program ends either way.
        }
    }

    bool busy() const { return busy_; }
    bool ended() const { return ended_; }

private:
    std::function<void(int)> report_;
    std::function<void()> end_;
    bool busy_ = false;
    bool ended_ = false;
};

}  // namespace drill
