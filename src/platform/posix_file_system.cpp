// The channels' files on POSIX.
#include <cerrno>
#include <climits>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/owners.h"
#include "platform/paths.h"

namespace drill {

namespace {

// Owns a file descriptor, so that no failure path can leak one.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }

    int get() const { return fd_; }
    // On Linux the descriptor is gone even when close reports EINTR.
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

[[noreturn]] void failErrno(int errnoValue, FileOp op) { throw RuntimeError(errorFromErrno(errnoValue, op)); }

std::string parentOf(const std::string& native) {
    const std::size_t slash = native.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
}

bool parentIsDirectory(const std::string& native) {
    struct stat st {};
    return ::stat(parentOf(native).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int openRetrying(const std::string& native, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(native.c_str(), flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// fsync; 0 or an errno. Devices and file systems that cannot sync (EINVAL,
// EROFS) lose nothing by it.
int syncFd(int fd) {
    int r;
    do r = ::fsync(fd);
    while (r < 0 && errno == EINTR);
    if (r < 0 && errno != EINVAL && errno != EROFS) return errno;
    return 0;
}

// Puts a new directory entry on disk: without this a power cut can lose a
// whole new file, however well its bytes were synced. That is a promise of
// durability, not a condition of recording: a hand-in folder that students
// may write into but not read (mode 1733) cannot be opened to sync, and the
// file made there is recorded all the same.
int syncDirectory(const std::string& directory) {
    const Fd dir(openRetrying(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return errno == EACCES || errno == EPERM ? 0 : errno;
    return syncFd(dir.get());
}

class PosixFile : public NativeFile {
public:
    explicit PosixFile(Fd fd) : fd_(std::move(fd)) {}

    LockResult tryLock() override {
        int r;
        do r = ::flock(fd_.get(), LOCK_EX | LOCK_NB);
        while (r < 0 && errno == EINTR);
        if (r == 0) return LockResult::Held;
        return errno == EWOULDBLOCK ? LockResult::Busy : LockResult::None;
    }

    // Everything in as few write calls as the kernel allows.
    void append(std::string_view bytes, std::size_t& written) override {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const std::size_t chunk = left < static_cast<std::size_t>(INT_MAX) ? left : INT_MAX;
            const ssize_t n = ::write(fd_.get(), p, chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                failErrno(errno, FileOp::Write);
            }
            if (n == 0) fail(err::DeviceIo);
            p += n;
            left -= static_cast<std::size_t>(n);
            written += static_cast<std::size_t>(n);
        }
    }

    // Appending leaves the offset just after what the write added.
    std::int64_t endOfAppended() override { return ::lseek(fd_.get(), 0, SEEK_CUR); }

    std::int64_t size() override {
        struct stat st {};
        if (::fstat(fd_.get(), &st) < 0) failErrno(errno, FileOp::Read);
        return st.st_size;
    }

    void sync() override {
        if (const int e = syncFd(fd_.get()); e != 0) failErrno(e, FileOp::Write);
    }

    void truncate(std::int64_t size) override {
        if (::ftruncate(fd_.get(), static_cast<off_t>(size)) < 0) failErrno(errno, FileOp::Write);
    }

    std::string readAll() override {
        std::string data;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                failErrno(errno, FileOp::Read);
            }
            if (n == 0) return data;
            data.append(buf, static_cast<std::size_t>(n));
        }
    }

private:
    Fd fd_;
};

// Owners are user numbers; the student is the effective user.
class PosixOwners : public Owners {
public:
    bool isStudent(const std::string& owner) override { return owner == std::to_string(::geteuid()); }

    Owner ofFile(std::intptr_t file, const std::string&) override {
        struct stat st {};
        if (::fstat(static_cast<int>(file), &st) < 0) failErrno(errno, FileOp::OpenRead);
        return std::to_string(st.st_uid);
    }

    Owner ofFolder(const std::string& native) override {
        struct stat dir {};
        if (::stat(parentOf(native).c_str(), &dir) != 0) return std::nullopt;
        return std::to_string(dir.st_uid);
    }
};

class PosixFileSystem : public FileSystem {
public:
    explicit PosixFileSystem(std::unique_ptr<Owners> owners) : owners_(std::move(owners)) {}

    // O_NOFOLLOW refuses a link in the last component (the data directory
    // itself may be one), O_NONBLOCK keeps a pipe from holding the window,
    // and what the name turns out to be is checked before a byte moves: a
    // pipe, device, socket or directory, or a file that also has another name
    // (a hard link planted from elsewhere), is 75.
    std::unique_ptr<NativeFile> open(const std::string& path, OpenMode mode) override {
        return openState(checkedNativePath(path), mode);
    }

    std::unique_ptr<NativeFile> openState(const std::string& native, OpenMode mode) override {
        const bool create = mode != OpenMode::Read;
        const FileOp op = create ? FileOp::OpenWrite : FileOp::OpenRead;
        const int access = mode == OpenMode::Read     ? O_RDONLY
                           : mode == OpenMode::Append ? O_WRONLY | O_APPEND
                                                      : O_WRONLY;
        const int flags = access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        Fd fd;
        bool created = false;
        for (int attempt = 0;; ++attempt) {
            fd = Fd(openRetrying(native, flags));
            if (fd.get() >= 0) break;
            const int e = errno;
            if (e != ENOENT || !create) {
                if (e == ENOENT && !parentIsDirectory(native)) fail(err::PathNotFound);
                failErrno(e, op);
            }
            // O_EXCL: a name that appeared meanwhile (another copy made it,
            // or a link was planted) is opened or refused by the next round.
            fd = Fd(openRetrying(native, flags | O_CREAT | O_EXCL, 0666));
            if (fd.get() >= 0) {
                created = true;
                break;
            }
            if (errno != EEXIST || attempt >= 3) failErrno(errno, op);
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) < 0) failErrno(errno, op);
        if (!S_ISREG(st.st_mode) || st.st_nlink > 1) fail(err::PathFileAccess);
        if (!created && !isStudentsFile(*owners_, fd.get(), native)) fail(err::PathFileAccess);
        const int status = ::fcntl(fd.get(), F_GETFL);
        if (status >= 0) ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK);
        // Emptied only once it is known to be a plain file.
        if (mode == OpenMode::Output && st.st_size > 0 && ::ftruncate(fd.get(), 0) < 0) failErrno(errno, op);
        if (created) {
            if (const int e = syncDirectory(parentOf(native)); e != 0) failErrno(e, FileOp::Write);
        }
        return std::make_unique<PosixFile>(std::move(fd));
    }

    void makeDirectory(const std::string& path) override {
        const std::string native = checkedNativePath(path);
        if (::mkdir(native.c_str(), 0777) < 0) failErrno(errno, FileOp::MakeDir);
        if (const int e = syncDirectory(parentOf(native)); e != 0) failErrno(e, FileOp::MakeDir);
    }

    // Each missing folder from the top down; the last is the student's alone.
    void makeStateFolder(const std::string& native) override {
        for (std::size_t end = native.find('/', 1);; end = native.find('/', end + 1)) {
            const std::string folder = native.substr(0, end);
            const bool last = end == std::string::npos;
            if (::mkdir(folder.c_str(), last ? 0700 : 0755) == 0) {
                if (const int e = syncDirectory(parentOf(folder)); e != 0) failErrno(e, FileOp::MakeDir);
            } else if (errno != EEXIST) {
                failErrno(errno, FileOp::MakeDir);
            }
            if (last) break;
        }
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) fail(err::PathNotFound);
    }

private:
    std::unique_ptr<Owners> owners_;
};

}  // namespace

std::unique_ptr<FileSystem> makeNativeFileSystem(std::unique_ptr<Owners> owners) {
    return std::make_unique<PosixFileSystem>(std::move(owners));
}

std::unique_ptr<FileSystem> makeNativeFileSystem() { return makeNativeFileSystem(std::make_unique<PosixOwners>()); }

}  // namespace drill
