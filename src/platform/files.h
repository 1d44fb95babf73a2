#pragma once
// Numbered text-file channels and directory creation. Paths are Windows paths
// in the code page; see paths.h for how they reach the disk.
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace drill {

// What follows an item written to a channel.
enum class Sep {
    None,     // the next item follows directly
    Zone,     // blanks up to the next 14-column print zone
    LineEnd,  // CR LF
};

class Files {
public:
    virtual ~Files() = default;

    virtual void openAppend(int channel, const std::string& path) = 0;
    virtual void openInput(int channel, const std::string& path) = 0;
    virtual void openOutput(int channel, const std::string& path) = 0;
    // Closing puts what the channel wrote on disk; a channel not open is ignored.
    virtual void close(int channel) = 0;
    virtual void closeAll() = 0;
    // Releases a channel without writing what it has not yet put on disk.
    virtual void discard(int channel) = 0;
    virtual bool isOpen(int channel) const = 0;

    virtual void print(int channel, std::string_view text, Sep sep = Sep::LineEnd) = 0;
    virtual void printNumber(int channel, double value, Sep sep = Sep::LineEnd) = 0;

    // Next line without its CR LF or lone CR; 62 when no line is left.
    virtual std::string lineInput(int channel) = 0;
    virtual bool eof(int channel) = 0;

    // Creates one directory; throws RuntimeError when it exists or cannot be made.
    virtual void makeDirectory(const std::string& path) = 0;
};

// Closes channels after a failure; the first error is the one to report, so
// errors from these closes are dropped. What the channels wrote stays.
inline void closeQuietly(Files& files, std::initializer_list<int> channels) {
    for (int channel : channels) {
        try {
            files.close(channel);
        } catch (...) {
        }
    }
}

// Releases channels after a failure without adding what they still hold, so a
// block that failed in one file is not left whole in another, to be written
// again when the student records once more.
inline void discardAll(Files& files, std::initializer_list<int> channels) {
    for (int channel : channels) {
        try {
            files.discard(channel);
        } catch (...) {
        }
    }
}

// Channels on the real file system.
std::unique_ptr<Files> makeDiskFiles();

}  // namespace drill
