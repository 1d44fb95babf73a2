#pragma once
// Numbered text-file channels and directory creation. Paths are Windows paths
// in the code page; see paths.h for how they reach the disk.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

    // Opens only a plain file of its own: a name that is a link, a pipe, a
    // device, a socket, a directory or a second name of another file is
    // refused (75) before a byte is read or written. A file the open creates
    // is on disk with its directory entry when the open returns.
    virtual void openAppend(int channel, const std::string& path) = 0;
    virtual void openInput(int channel, const std::string& path) = 0;
    virtual void openOutput(int channel, const std::string& path) = 0;
    // Closing puts what the channel wrote on disk; a channel not open is ignored.
    virtual void close(int channel) = 0;
    virtual void closeAll() = 0;
    // Puts what these channels wrote on disk all together or not at all: when
    // one of them fails, each file they wrote to gives back what they added. All are released either way; the first failure is
    // thrown.
    virtual void closeTogether(std::span<const int> channels) = 0;
    // A block of closeTogether is first written down in the folder of the
    // program's own state (stateFolder in paths.h), so that a program killed
    // part way leaves what it was doing. This finishes each such block that
    // no running copy owns: appends what its files lack of it, or cuts back
    // what they took when that cannot be done. A file that someone else has
    // changed since is left alone (75). Every block is dealt with; the first
    // failure is thrown, and a block that could be neither finished nor cut
    // back is tried again at the next start.
    virtual void finishLeftBlocks() = 0;
    // Releases a channel without writing what it has not yet put on disk.
    virtual void discard(int channel) = 0;
    virtual bool isOpen(int channel) const = 0;

    virtual void print(int channel, std::string_view text, Sep sep = Sep::LineEnd) = 0;
    virtual void printNumber(int channel, double value, Sep sep = Sep::LineEnd) = 0;

    // Next line without its CR LF or lone CR; 62 when no line is left.
    virtual std::string lineInput(int channel) = 0;
    virtual bool eof(int channel) = 0;

    // Creates one directory, its entry on disk when it returns; throws
    // RuntimeError when it exists or cannot be made.
    virtual void makeDirectory(const std::string& path) = 0;
};

// The channels that one command opens. commit() puts what they wrote on
// disk together; a command that fails before (the group goes out of scope)
// releases them without writing anything. This is the one cleanup of a
// failed command: channels it did not open itself are never touched.
class ChannelGroup {
public:
    explicit ChannelGroup(Files& files) : files_(files) {}
    ~ChannelGroup();
    ChannelGroup(const ChannelGroup&) = delete;
    ChannelGroup& operator=(const ChannelGroup&) = delete;

    void openAppend(int channel, const std::string& path);
    void openInput(int channel, const std::string& path);
    void commit();

private:
    Files& files_;
    std::vector<int> opened_;
};

class FileSystem;

// Channels on the real file system, or on the one given.
std::unique_ptr<Files> makeDiskFiles();
std::unique_ptr<Files> makeDiskFiles(std::unique_ptr<FileSystem> fileSystem);

}  // namespace drill
