#pragma once
// The few things the channels need of the system's files: what differs
// between POSIX and Win32, and nothing else. What the channels do with them
// is written once, in files.cpp. Paths are the system's own Windows paths in
// the code page; paths.h says how they reach the disk. Every failure is a
// RuntimeError with the number the student is told.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace drill {

// What trying a file's lock came to.
enum class LockResult {
    Held,  // held until the file is closed
    Busy,  // another copy holds it
    None,  // the file system has no locks; nothing to wait for
};

// One open plain file of its own.
class NativeFile {
public:
    virtual ~NativeFile() = default;

    // Tries, without waiting, to take the file's advisory lock, which every
    // copy of the program takes before it writes a block and keeps until the
    // block is whole or cut back. It stops nobody else from writing.
    virtual LockResult tryLock() = 0;

    // Appends the bytes at the end of the file, in one write where the
    // system allows it, so that a second copy appending at the same time
    // cannot come between them. `written` counts what reached the file, a
    // failure part way included.
    virtual void append(std::string_view bytes, std::size_t& written) = 0;
    // Where the bytes this file appended last end in it.
    virtual std::int64_t endOfAppended() = 0;
    virtual std::int64_t size() = 0;
    // Puts what was written on disk.
    virtual void sync() = 0;
    virtual void truncate(std::int64_t size) = 0;
    virtual std::string readAll() = 0;
};

enum class OpenMode {
    Read,    // an existing file
    Append,  // created when missing; writing goes to its end
    Output,  // created when missing, emptied when not
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens a plain file of its own and nothing else: a link of any kind,
    // a directory, a device, a pipe or a socket, or a file that also has a
    // second name, is refused (75) before a byte is read or written. A file
    // the open creates is on disk with its directory entry when it returns.
    virtual std::unique_ptr<NativeFile> open(const std::string& path, OpenMode mode) = 0;
    // The same for a file of the program's own state, named natively (see
    // stateFolder in paths.h).
    virtual std::unique_ptr<NativeFile> openState(const NativePath& path, OpenMode mode) = 0;
    // Makes that folder, and any missing folder above it, for the student
    // alone; nothing when it is there. Fails when it cannot be made.
    virtual void makeStateFolder(const NativePath& path) = 0;
    // Creates one directory, its entry on disk when it returns; fails when it
    // exists or cannot be made.
    virtual void makeDirectory(const std::string& path) = 0;
};

// The files of the system the program runs on.
std::unique_ptr<FileSystem> makeNativeFileSystem();

}  // namespace drill
