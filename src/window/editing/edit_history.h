#pragma once
// What a big box can undo and redo: each change as the bytes it removed and
// the bytes it inserted at one place. Typing, or deleting key by key, is one
// change, undone in one go; a text the program puts in a box is one change
// of its own.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace drill::editing {

class EditHistory {
public:
    enum class Run { None, Typing, Deleting, Program };
    struct Step {
        std::size_t at;
        std::string removed;
        std::string inserted;
        Run run;
    };

    // What the steps may hold in all: beyond it the oldest steps go, but
    // never the last one, so that what a student typed before the program
    // replaced it can always come back.
    explicit EditHistory(std::size_t limit = std::size_t{256} << 20) : limit_(limit) {}

    // Makes room for recording the change, so that record() cannot fail
    // once the text has changed.
    void prepare(std::size_t at, std::size_t removed, std::size_t inserted, Run run) {
        Step* last = mergeTarget(at, removed, inserted, run);
        if (last == nullptr) {
            steps_.reserve(steps_.size() - undone_ + 1);
        } else if (run == Run::Typing) {
            last->inserted.reserve(last->inserted.size() + inserted);
        } else {
            last->removed.reserve(last->removed.size() + removed);
        }
    }

    // A change made: at `at`, `removed` gave way to `inserted`. What was
    // undone cannot be redone after it. Call prepare() with its sizes first.
    void record(std::size_t at, std::string removed, std::string inserted, Run run) noexcept {
        Step* last = mergeTarget(at, removed.size(), inserted.size(), run);
        while (undone_ > 0) {  // shrinks: cannot fail
            held_ -= bytes(steps_.back());
            steps_.pop_back();
            --undone_;
        }
        held_ += removed.size() + inserted.size();
        if (last != nullptr && run == Run::Typing) {
            last->inserted += inserted;  // room was made
        } else if (last != nullptr && at + removed.size() == last->at) {
            last->removed.insert(0, removed);
            last->at = at;
        } else if (last != nullptr) {
            last->removed += removed;
        } else {
            steps_.push_back(Step{at, std::move(removed), std::move(inserted), run});  // room was made
        }
        trim();
    }

    bool canUndo() const { return undone_ < steps_.size(); }
    bool canRedo() const { return undone_ > 0; }
    // The step an undo takes back (its `inserted` gives way to `removed`)
    // and the one a redo makes again; call undone() or redone() once it is.
    const Step& toUndo() const { return steps_[steps_.size() - 1 - undone_]; }
    const Step& toRedo() const { return steps_[steps_.size() - undone_]; }
    void undone() { ++undone_; }
    void redone() { --undone_; }
    void clear() {
        steps_.clear();
        undone_ = 0;
        held_ = 0;
    }

private:
    // The step this change joins, if any: typing goes on where it stopped,
    // deleting key by key goes on backwards or forwards from where it was.
    Step* mergeTarget(std::size_t at, std::size_t removed, std::size_t inserted, Run run) {
        // Undone steps go before it is recorded: the step before them is
        // the one it may join.
        if (steps_.size() == undone_) return nullptr;
        Step& last = steps_[steps_.size() - 1 - undone_];
        if (last.run != run) return nullptr;
        if (run == Run::Typing && removed == 0 && last.at + last.inserted.size() == at) return &last;
        if (run == Run::Deleting && inserted == 0 && (at + removed == last.at || at == last.at)) return &last;
        return nullptr;
    }

    static std::size_t bytes(const Step& s) { return s.removed.size() + s.inserted.size(); }

    void trim() noexcept {
        std::size_t drop = 0;
        while (held_ > limit_ && drop + 1 < steps_.size()) held_ -= bytes(steps_[drop++]);
        steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(drop));
    }

    std::vector<Step> steps_;
    std::size_t undone_ = 0;  // steps at the end of steps_ that were undone
    std::size_t limit_;
    std::size_t held_ = 0;  // bytes of every step
};

}  // namespace drill::editing
