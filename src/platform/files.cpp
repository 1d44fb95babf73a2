#include "platform/files.h"

#include <array>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/numbers.h"

namespace drill {

namespace {

constexpr int kChannels = 255;
constexpr std::size_t kZoneWidth = 14;

enum class Mode { Input, Append, Output };

struct Channel {
    Mode mode = Mode::Input;
    std::unique_ptr<NativeFile> file;  // none for input: read whole at open
    std::string data;     // what an output channel wrote, or the whole input file
    std::size_t pos = 0;  // next byte to read (input)
    std::size_t column = 1;
    std::size_t written = 0;      // how many of this channel's bytes reached the file
    std::int64_t endOfOurs = -1;  // where they end in it, once written
};

// A group that failed leaves each file as it found it: the bytes this
// channel appended are cut off again. They are the last of the file as long
// as it still ends where they end; when it has grown since, another copy of
// the program appended its own block after them, and cutting back would cut
// into that block too, so the file is left alone. (What another copy
// appended before them stays.)
void putBack(Channel& c) {
    if (c.written == 0 || c.endOfOurs < 0) return;
    try {
        if (c.file->size() != c.endOfOurs) return;
        c.file->truncate(c.endOfOurs - static_cast<std::int64_t>(c.written));
        c.file->sync();
    } catch (const RuntimeError&) {
        // The first failure is the one the student is told.
    }
}

// Another copy of the program that appends between a failed group's look at
// a file's size and its cutting back would lose its block to the cut. So the
// files of a group are locked, in the order the group gives (master, send,
// notes, the same in every copy), from before the first write until after
// the cut. A lock that a stuck program holds, or a file system without locks,
// is not waited on for more than about two seconds in all: the group then
// goes on without it, as it always could.
constexpr auto kLockPatience = std::chrono::seconds(2);

void lockAll(std::vector<Channel>& group) {
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    for (Channel& c : group) {
        if (c.mode == Mode::Input) continue;
        while (c.file->tryLock() == LockResult::Busy && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

class DiskFiles : public Files {
public:
    explicit DiskFiles(std::unique_ptr<FileSystem> fileSystem) : fileSystem_(std::move(fileSystem)) {}

    ~DiskFiles() override {
        try {
            closeAll();
        } catch (...) {
            // Nobody is left to tell; the channels are released either way.
        }
    }

    void openAppend(int channel, const std::string& path) override {
        openForWriting(channel, path, Mode::Append);
    }

    void openOutput(int channel, const std::string& path) override {
        openForWriting(channel, path, Mode::Output);
    }

    void openInput(int channel, const std::string& path) override {
        std::optional<Channel>& slot = freeSlot(channel);
        Channel c;
        c.mode = Mode::Input;
        // Everything is read at once; the file need not stay open.
        c.data = fileSystem_->open(path, OpenMode::Read)->readAll();
        slot = std::move(c);
    }

    void close(int channel) override {
        if (!at(channel)) return;
        const int one[] = {channel};
        closeTogether(one);
    }

    void closeTogether(std::span<const int> channels) override {
        // Taken out of their slots first: released whatever happens below,
        // so they can be opened again. Every number is checked before any
        // channel leaves its slot.
        for (int channel : channels) at(channel);
        std::vector<Channel> group;
        group.reserve(channels.size());
        for (int channel : channels) {
            std::optional<Channel>& slot = at(channel);
            if (!slot) continue;
            group.push_back(std::move(*slot));
            slot.reset();
        }
        // Every channel writes its block, then every one syncs: the first
        // failure stops both, and each file that took its part gives it back.
        lockAll(group);
        std::optional<RuntimeError> failure;
        for (Channel& c : group) {
            if (c.mode == Mode::Input) continue;
            try {
                c.file->append(c.data, c.written);
            } catch (const RuntimeError& e) {
                failure = e;
            }
            if (c.written > 0) c.endOfOurs = c.file->endOfAppended();
            if (failure) break;
        }
        for (Channel& c : group) {
            if (failure) break;
            if (c.mode == Mode::Input) continue;
            try {
                c.file->sync();
            } catch (const RuntimeError& e) {
                failure = e;
            }
        }
        if (failure) {
            for (Channel& c : group)
                if (c.mode != Mode::Input) putBack(c);
        }
        // Once synced, a failing close cannot lose the data; reporting it
        // would only make the student record the block a second time.
        // Closing lets go of the locks.
        group.clear();
        if (failure) throw *failure;
    }

    void discard(int channel) override {
        // Nothing of an open channel has reached its file yet.
        at(channel).reset();
    }

    void closeAll() override {
        std::optional<RuntimeError> first;
        for (int ch = 1; ch <= kChannels; ++ch) {
            try {
                close(ch);
            } catch (const RuntimeError& e) {
                if (!first) first = e;
            }
        }
        if (first) throw *first;
    }

    bool isOpen(int channel) const override {
        return channel >= 1 && channel <= kChannels &&
               channels_[static_cast<std::size_t>(channel - 1)].has_value();
    }

    void print(int channel, std::string_view text, Sep sep) override {
        Channel& c = writable(channel);
        c.data.append(text);
        const std::size_t br = text.find_last_of("\r\n");
        c.column = br == std::string_view::npos ? c.column + text.size() : text.size() - br;
        switch (sep) {
        case Sep::None:
            break;
        case Sep::Zone: {
            const std::size_t next = ((c.column - 1) / kZoneWidth + 1) * kZoneWidth + 1;
            c.data.append(next - c.column, ' ');
            c.column = next;
            break;
        }
        case Sep::LineEnd:
            c.data.append("\r\n");
            c.column = 1;
            break;
        }
    }

    void printNumber(int channel, double value, Sep sep) override { print(channel, numberItem(value), sep); }

    std::string lineInput(int channel) override {
        Channel& c = readable(channel);
        if (c.pos >= c.data.size()) throw RuntimeError(err::InputPastEnd);
        // Only CR ends a line (with the LF after it, if any); a lone LF is text.
        const std::size_t cr = c.data.find('\r', c.pos);
        std::string line;
        if (cr == std::string::npos) {
            line = c.data.substr(c.pos);
            c.pos = c.data.size();
        } else {
            line = c.data.substr(c.pos, cr - c.pos);
            c.pos = cr + 1;
            if (c.pos < c.data.size() && c.data[c.pos] == '\n') ++c.pos;
        }
        return line;
    }

    bool eof(int channel) override {
        Channel& c = readable(channel);
        return c.pos >= c.data.size();
    }

    void makeDirectory(const std::string& path) override { fileSystem_->makeDirectory(path); }

private:
    std::optional<Channel>& at(int channel) {
        if (channel < 1 || channel > kChannels) throw RuntimeError(err::BadFileName);
        return channels_[static_cast<std::size_t>(channel - 1)];
    }

    std::optional<Channel>& freeSlot(int channel) {
        std::optional<Channel>& slot = at(channel);
        if (slot) throw RuntimeError(err::FileAlreadyOpen);
        return slot;
    }

    Channel& openSlot(int channel) {
        std::optional<Channel>& slot = at(channel);
        if (!slot) throw RuntimeError(err::BadFileName);
        return *slot;
    }

    Channel& writable(int channel) {
        Channel& c = openSlot(channel);
        if (c.mode == Mode::Input) throw RuntimeError(err::BadFileMode);
        return c;
    }

    Channel& readable(int channel) {
        Channel& c = openSlot(channel);
        if (c.mode != Mode::Input) throw RuntimeError(err::BadFileMode);
        return c;
    }

    void openForWriting(int channel, const std::string& path, Mode mode) {
        std::optional<Channel>& slot = freeSlot(channel);
        Channel c;
        c.mode = mode;
        c.file = fileSystem_->open(path, mode == Mode::Append ? OpenMode::Append : OpenMode::Output);
        slot = std::move(c);
    }

    std::unique_ptr<FileSystem> fileSystem_;
    std::array<std::optional<Channel>, kChannels> channels_;
};

}  // namespace

std::unique_ptr<Files> makeDiskFiles(std::unique_ptr<FileSystem> fileSystem) {
    return std::make_unique<DiskFiles>(std::move(fileSystem));
}

std::unique_ptr<Files> makeDiskFiles() { return makeDiskFiles(makeNativeFileSystem()); }

ChannelGroup::~ChannelGroup() {
    for (int channel : opened_) {
        try {
            files_.discard(channel);
        } catch (...) {
        }
    }
}

// Room for the channel is made first: once it is open, the group must know
// it, or a failure could leave it open for good.
void ChannelGroup::openAppend(int channel, const std::string& path) {
    opened_.reserve(opened_.size() + 1);
    files_.openAppend(channel, path);
    opened_.push_back(channel);
}

void ChannelGroup::openInput(int channel, const std::string& path) {
    opened_.reserve(opened_.size() + 1);
    files_.openInput(channel, path);
    opened_.push_back(channel);
}

void ChannelGroup::commit() {
    const std::vector<int> channels = std::move(opened_);
    opened_.clear();
    files_.closeTogether(channels);
}

}  // namespace drill
