#include "platform/files.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <utility>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/numbers.h"
#include "platform/paths.h"

namespace drill {

namespace {

constexpr int kChannels = 255;
constexpr std::size_t kZoneWidth = 14;

enum class Mode { Input, Append, Output };

struct Channel {
    Mode mode = Mode::Input;
    std::string path;
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

void lockBy(NativeFile& file, std::chrono::steady_clock::time_point deadline) {
    while (file.tryLock() == LockResult::Busy && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void lockAll(std::vector<Channel>& group) {
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    for (Channel& c : group)
        if (c.mode != Mode::Input) lockBy(*c.file, deadline);
}

// What a block is about to do to one of its files.
struct BlockPart {
    std::string path;  // as the channel was opened
    std::int64_t before = 0;  // the file's size before it
    std::string bytes;
};

// A record is the parts, each with its lengths on a line of its own, and
// a last line with a checksum of all before it: a record that a kill cut
// short never counts, and its block had not begun.
constexpr std::string_view kRecordHead = "block record 1\n";

std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

std::string recordOf(const std::vector<BlockPart>& parts) {
    std::string text(kRecordHead);
    for (const BlockPart& p : parts) {
        text += std::to_string(p.path.size()) + ' ' + std::to_string(p.before) + ' ' +
                std::to_string(p.bytes.size()) + '\n';
        text += p.path + p.bytes + '\n';
    }
    return text + "end " + std::to_string(checksum(text)) + '\n';
}

// The number at `at` up to `stop`, which it passes.
template <typename Number>
bool readNumber(std::string_view text, std::size_t& at, char stop, Number& n) {
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data() + at, end, n);
    if (error != std::errc() || next == end || *next != stop) return false;
    at = static_cast<std::size_t>(next - text.data()) + 1;
    return true;
}

std::optional<std::vector<BlockPart>> partsOf(std::string_view text) {
    if (!text.starts_with(kRecordHead)) return std::nullopt;
    std::vector<BlockPart> parts;
    std::size_t at = kRecordHead.size();
    while (!text.substr(at).starts_with("end ")) {
        std::size_t pathSize = 0, size = 0;
        BlockPart p;
        if (!readNumber(text, at, ' ', pathSize) || !readNumber(text, at, ' ', p.before) ||
            !readNumber(text, at, '\n', size) || p.before < 0 || pathSize > text.size() - at ||
            size > text.size() - at - pathSize || text.size() - at - pathSize - size < 1)
            return std::nullopt;
        p.path = text.substr(at, pathSize);
        p.bytes = text.substr(at + pathSize, size);
        at += pathSize + size;
        if (text[at++] != '\n') return std::nullopt;
        parts.push_back(std::move(p));
    }
    const std::size_t body = at;
    at += 4;
    std::uint64_t sum = 0;
    if (!readNumber(text, at, '\n', sum) || at != text.size() || sum != checksum(text.substr(0, body)))
        return std::nullopt;
    return parts;
}

// Each copy of the program writes its records into a slot of its own, the
// first of these files that no other copy holds locked, and keeps it locked
// while it runs: a lock that is free belongs to a copy that has ended, by
// its own hand or not. An empty slot holds no record. Slots are emptied and
// never removed: a copy may just have opened one to take it.
constexpr int kSlots = 64;

std::string slotName(int slot) { return "block-" + std::to_string(slot) + ".rec"; }

class DiskFiles : public Files {
public:
    explicit DiskFiles(std::unique_ptr<FileSystem> fileSystem)
        : fileSystem_(std::move(fileSystem)), stateFolder_(stateFolder()) {}

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
        NativeFile* const record = writeRecord(group);
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
        if (record != nullptr) clearRecord(*record, failure.has_value());
        // Once synced, a failing close cannot lose the data; reporting it
        // would only make the student record the block a second time.
        // Closing lets go of the locks.
        group.clear();
        if (failure) throw *failure;
    }

    void finishLeftBlocks() override {
        if (!stateFolder_) return;
        std::optional<RuntimeError> first;
        for (int slot = 1; slot <= kSlots; ++slot) {
            const NativePath name = inFolder(*stateFolder_, slotName(slot));
            std::unique_ptr<NativeFile> reader;
            try {
                reader = fileSystem_->openState(name, OpenMode::Read);
            } catch (const RuntimeError&) {
                continue;  // no such slot
            }
            // Held by a copy that runs, or on a file system that cannot tell.
            if (reader->tryLock() != LockResult::Held) continue;
            try {
                const std::string text = reader->readAll();
                if (text.empty()) continue;
                const std::optional<std::vector<BlockPart>> parts = partsOf(text);
                if (parts && !finishBlock(*parts, first)) continue;
                const auto writer = fileSystem_->openState(name, OpenMode::Append);
                writer->truncate(0);
                writer->sync();
            } catch (const RuntimeError& e) {
                if (!first) first = e;
            }
        }
        if (first) throw *first;
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
        c.path = path;
        c.file = fileSystem_->open(path, mode == Mode::Append ? OpenMode::Append : OpenMode::Output);
        slot = std::move(c);
    }

    // This copy's slot, taken at its first block. Without one (no state
    // folder, no locks there, every slot taken) blocks go unrecorded, as
    // they always could.
    NativeFile* recordSlot() {
        if (record_ || !stateFolder_ || triedSlots_) return record_.get();
        triedSlots_ = true;
        try {
            fileSystem_->makeStateFolder(*stateFolder_);
            for (int slot = 1; slot <= kSlots && !record_; ++slot) {
                auto file = fileSystem_->openState(inFolder(*stateFolder_, slotName(slot)), OpenMode::Append);
                // A record left there is a block that a start could not
                // finish yet: it stays for the next start.
                if (file->tryLock() == LockResult::Held && file->size() == 0) record_ = std::move(file);
            }
        } catch (const RuntimeError&) {
        }
        return record_.get();
    }

    // Writes down, and puts on disk, what the block is about to do; the
    // slot, or none when there is nothing to write down or no slot.
    NativeFile* writeRecord(std::vector<Channel>& group) {
        std::vector<BlockPart> parts;
        for (const Channel& c : group)
            if (c.mode != Mode::Input && !c.data.empty()) parts.push_back({c.path, 0, c.data});
        NativeFile* const record = parts.empty() ? nullptr : recordSlot();
        if (record == nullptr) return nullptr;
        try {
            std::size_t i = 0;
            for (Channel& c : group)
                if (c.mode != Mode::Input && !c.data.empty()) parts[i++].before = c.file->size();
            record->truncate(0);
            std::size_t written = 0;
            record->append(recordOf(parts), written);
            record->sync();
        } catch (const RuntimeError&) {
            // The block goes on unrecorded; what reached the slot is
            // emptied after it with the rest.
        }
        return record;
    }

    // Once the block is whole nothing depends on the record being gone: a
    // start that finds it finds the block whole. A block cut back must not
    // be finished by a start after a power cut, so that emptying is synced.
    static void clearRecord(NativeFile& record, bool cutBack) {
        try {
            record.truncate(0);
            if (cutBack) record.sync();
        } catch (const RuntimeError&) {
        }
    }

    // One of a left block's files as a start finds it.
    struct Target {
        const BlockPart* part;
        std::unique_ptr<NativeFile> file;
        std::int64_t has = -1;  // how much of the block it ends with; -1: not this block's end
        std::size_t added = 0;
    };

    // Finishes one left block, or cuts it back; whether its record may go.
    // The files are opened as the channels open them, with the same checks,
    // and locked as a block locks them.
    bool finishBlock(const std::vector<BlockPart>& parts, std::optional<RuntimeError>& first) {
        const auto tell = [&](int number) {
            if (!first) first = RuntimeError(number);
        };
        std::vector<Target> targets;
        std::vector<std::string> contents;
        for (const BlockPart& p : parts) {
            try {
                // Read first: a file that is gone is not made again.
                contents.push_back(fileSystem_->open(p.path, OpenMode::Read)->readAll());
                targets.push_back({&p, fileSystem_->open(p.path, OpenMode::Append)});
            } catch (const RuntimeError& e) {
                if (e.number() != err::FileNotFound) {
                    tell(e.number());  // out of reach now: left for the next start
                    return false;
                }
                tell(err::PathFileAccess);
                contents.resize(targets.size());
            }
        }
        const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            Target& t = targets[i];
            lockBy(*t.file, deadline);
            // Read again under the lock, should a copy have appended meanwhile.
            const std::int64_t size = t.file->size();
            if (size != static_cast<std::int64_t>(contents[i].size()))
                contents[i] = fileSystem_->open(t.part->path, OpenMode::Read)->readAll();
            const std::string& there = contents[i];
            const BlockPart& p = *t.part;
            const auto at = static_cast<std::size_t>(p.before);
            if (p.before <= static_cast<std::int64_t>(there.size())) {
                const std::size_t n = std::min(there.size() - at, p.bytes.size());
                // A part of the block must be the file's end; the whole may
                // have others' blocks after it.
                if (there.compare(at, n, p.bytes, 0, n) == 0 && (n == p.bytes.size() || at + n == there.size()))
                    t.has = static_cast<std::int64_t>(n);
            }
            if (t.has < 0) tell(err::PathFileAccess);  // someone else's bytes: left alone
        }
        std::optional<RuntimeError> failed;
        for (Target& t : targets) {
            if (t.has < 0 || t.has == static_cast<std::int64_t>(t.part->bytes.size())) continue;
            try {
                t.file->append(std::string_view(t.part->bytes).substr(static_cast<std::size_t>(t.has)), t.added);
                t.file->sync();
            } catch (const RuntimeError& e) {
                failed = e;
                break;
            }
        }
        if (!failed) return true;
        // Undone, then, in every file that ends with this block's bytes; one
        // that cannot be cut back (a file only appended to) or has others'
        // after them keeps the record for the next start.
        tell(failed->number());
        bool undone = true;
        for (Target& t : targets) {
            if (t.has < 0) continue;
            try {
                const std::int64_t end = t.part->before + t.has + static_cast<std::int64_t>(t.added);
                if (t.file->size() != end) {
                    undone = false;
                } else if (end != t.part->before) {
                    t.file->truncate(t.part->before);
                    t.file->sync();
                }
            } catch (const RuntimeError&) {
                undone = false;
            }
        }
        return undone;
    }

    std::unique_ptr<FileSystem> fileSystem_;
    std::optional<NativePath> stateFolder_;
    std::unique_ptr<NativeFile> record_;
    bool triedSlots_ = false;
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
