#pragma once
// Faults of the file system that a test can make without root: a size limit
// that stands for a disk that fills up, on every system through the file
// primitives, and on POSIX also the kernel's own limit for a whole process.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "fakes.h"
#include "platform/errors.h"
#include "platform/file_system.h"

namespace drill::testing {

// What a program killed part way gets from its files: nothing, not even a
// cleanup.
struct Killed {};

// The system's files, where a test may say how much of each write fits: the
// part that fits reaches the file, then the write fails with 61, as when the
// disk fills up. A test may also kill the program at an operation that opens
// or changes a file ("append c:\\m.txt"): a write then gets half of its bytes
// in, and from then on every operation throws Killed and does nothing.
class LimitedDisk {
public:
    std::function<bool(const std::string& operation)> killWhen;
    bool killed = false;
    // A new program on the same disk.
    void revive() {
        killWhen = nullptr;
        killed = false;
    }

    // How many of `bytes` fit into the file at `path`, which holds `size`;
    // all of them when not set.
    std::function<std::size_t(const std::string& path, std::int64_t size, std::size_t bytes)> room;
    // A disk slow to tell a file's size: the size it reports is that long old,
    // so that another program can append meanwhile.
    std::chrono::milliseconds slowSize{0};

    std::unique_ptr<FileSystem> fileSystem() { return std::make_unique<Limited>(*this); }

private:
    // Counts one operation; true when the program dies at it.
    bool step(const std::string& operation) {
        alive();
        killed = killWhen && killWhen(operation);
        return killed;
    }
    void alive() const {
        if (killed) throw Killed{};
    }

    class LimitedFile : public NativeFile {
    public:
        LimitedFile(LimitedDisk& disk, std::string path, std::unique_ptr<NativeFile> file)
            : disk_(disk), path_(std::move(path)), file_(std::move(file)) {}
        void append(std::string_view bytes, std::size_t& written) override {
            if (disk_.step("append " + path_)) {
                file_->append(bytes.substr(0, bytes.size() / 2), written);
                throw Killed{};
            }
            const std::size_t fits = disk_.room ? disk_.room(path_, file_->size(), bytes.size()) : bytes.size();
            if (fits < bytes.size()) {
                file_->append(bytes.substr(0, fits), written);
                fail(err::DiskFull);
            }
            file_->append(bytes, written);
        }
        LockResult tryLock() override {
            disk_.alive();
            return file_->tryLock();
        }
        std::int64_t endOfAppended() override {
            disk_.alive();
            return file_->endOfAppended();
        }
        std::int64_t size() override {
            disk_.alive();
            const std::int64_t size = file_->size();
            std::this_thread::sleep_for(disk_.slowSize);
            return size;
        }
        void sync() override {
            if (disk_.step("sync " + path_)) throw Killed{};
            file_->sync();
        }
        void truncate(std::int64_t size) override {
            if (disk_.step("truncate " + path_)) throw Killed{};
            file_->truncate(size);
        }
        std::string readAll() override {
            disk_.alive();
            return file_->readAll();
        }

    private:
        LimitedDisk& disk_;
        std::string path_;
        std::unique_ptr<NativeFile> file_;
    };

    class Limited : public FileSystem {
    public:
        explicit Limited(LimitedDisk& disk) : disk_(disk) {}
        std::unique_ptr<NativeFile> open(const std::string& path, OpenMode mode) override {
            if (disk_.step("open " + path)) throw Killed{};
            return std::make_unique<LimitedFile>(disk_, path, native_->open(path, mode));
        }
        std::unique_ptr<NativeFile> openState(const NativePath& path, OpenMode mode) override {
            const std::string name = std::filesystem::path(path).string();
            if (disk_.step("open " + name)) throw Killed{};
            return std::make_unique<LimitedFile>(disk_, name, native_->openState(path, mode));
        }
        void makeDirectory(const std::string& path) override {
            if (disk_.step("mkdir " + path)) throw Killed{};
            native_->makeDirectory(path);
        }
        void makeStateFolder(const NativePath& path) override {
            if (disk_.step("mkdir " + std::filesystem::path(path).string())) throw Killed{};
            native_->makeStateFolder(path);
        }

    private:
        LimitedDisk& disk_;
        std::unique_ptr<FileSystem> native_ = makeNativeFileSystem();
    };
};

// While it lives, no file of the disk may grow past `bytes`.
class SizeLimit {
public:
    SizeLimit(LimitedDisk& disk, std::int64_t bytes) : disk_(disk) {
        disk_.room = [bytes](const std::string&, std::int64_t size, std::size_t wanted) {
            return static_cast<std::size_t>(std::clamp<std::int64_t>(bytes - size, 0, static_cast<std::int64_t>(wanted)));
        };
    }
    ~SizeLimit() { disk_.room = nullptr; }
    SizeLimit(const SizeLimit&) = delete;
    SizeLimit& operator=(const SizeLimit&) = delete;

private:
    LimitedDisk& disk_;
};

#ifndef _WIN32
// While it lives, no file of this process may grow past `bytes`: a write
// beyond fails with EFBIG (error 61), as on a full disk, and SIGXFSZ is
// ignored as the program ignores it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &old_) != 0) throw std::runtime_error("getrlimit failed");
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};
#endif

// A symbolic link at `link` to `target`; false when the system would not
// make one. Wine cannot make a link of its own (CreateSymbolicLinkW there
// makes nothing), so there it is made in the file system below, with that
// system's ln: Wine follows such a link without saying so, which is what the
// program must see through.
inline bool plantLink(const std::filesystem::path& link, const std::filesystem::path& target,
                      bool directory = false) {
#ifdef _WIN32
    if (belowWine("ln -s \"$1\" \"$2\"", {target, link})) return true;
    const DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    return !underWine() && CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) != 0;
#else
    std::error_code ec;
    if (directory) std::filesystem::create_directory_symlink(target, link, ec);
    else std::filesystem::create_symlink(target, link, ec);
    return !ec;
#endif
}

// Another program moves a file the program holds open (below Wine on
// Windows, which itself refuses); false where it cannot.
inline bool moveOpenFile(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
    return belowWine("mv \"$1\" \"$2\"", {from, to});
#else
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
#endif
}

// Gives a file to a classmate, another user (only root may).
inline bool giveToClassmate(const std::filesystem::path& file) {
#ifdef _WIN32
    return belowWine("chown 61003 \"$1\"", {file});
#else
    return ::chown(file.c_str(), 61003, 61003) == 0;
#endif
}

#ifdef _WIN32
// The short 8.3 name the system gives a file (its last part only), or the
// empty text.
inline std::string shortName(const std::filesystem::path& file) {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetShortPathNameW(file.c_str(), buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::filesystem::path(std::wstring(buf, n)).filename().string();
}

// Another program holding a file open and sharing nothing: a file in use.
class FileInUse {
public:
    explicit FileInUse(const std::filesystem::path& file)
        : h_(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr)) {
        if (h_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + file.string());
    }
    ~FileInUse() { CloseHandle(h_); }
    FileInUse(const FileInUse&) = delete;
    FileInUse& operator=(const FileInUse&) = delete;

private:
    HANDLE h_;
};
#endif

// Fills a file with blanks up to `size` bytes after what it holds, so that it
// stands at a size limit of that size.
inline void fillTo(const std::filesystem::path& file, std::size_t size) {
    std::string bytes = std::filesystem::exists(file) ? readFile(file) : std::string();
    if (bytes.size() < size) bytes.append(size - bytes.size(), ' ');
    writeFile(file, bytes);
}

}  // namespace drill::testing
