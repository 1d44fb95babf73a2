#pragma once
// What a text box can undo and redo, for every front end: each change as the
// bytes it removed and the bytes it inserted at one place. Typing, or
// deleting key by key, is one change, undone in one go.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace drill {

class EditHistory {
public:
    enum class Run { None, Typing, Deleting };
    struct Step {
        std::size_t at;
        std::string removed;
        std::string inserted;
        Run run;
    };

    // A change made: at `at`, `removed` gave way to `inserted`. What was
    // undone cannot be redone after it.
    void record(std::size_t at, std::string removed, std::string inserted, Run run) {
        steps_.resize(steps_.size() - undone_);
        undone_ = 0;
        Step* last = steps_.empty() || steps_.back().run != run ? nullptr : &steps_.back();
        if (run == Run::Typing && last != nullptr && removed.empty() && last->at + last->inserted.size() == at) {
            last->inserted += inserted;
        } else if (run == Run::Deleting && last != nullptr && inserted.empty() && at + removed.size() == last->at) {
            last->removed.insert(0, removed);
            last->at = at;
        } else if (run == Run::Deleting && last != nullptr && inserted.empty() && at == last->at) {
            last->removed += removed;
        } else {
            steps_.push_back(Step{at, std::move(removed), std::move(inserted), run});
        }
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
    }

private:
    std::vector<Step> steps_;
    std::size_t undone_ = 0;  // steps at the end of steps_ that were undone
};

}  // namespace drill
