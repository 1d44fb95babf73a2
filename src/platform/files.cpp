#include "platform/files.h"

#include <array>
#include <cerrno>
#include <climits>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/numbers.h"
#include "platform/paths.h"

namespace drill {

namespace {

constexpr int kChannels = 255;
constexpr std::size_t kZoneWidth = 14;

enum class Mode { Input, Append, Output };

struct Channel {
    Mode mode = Mode::Input;
    int fd = -1;
    std::string data;     // what an output channel wrote, or the whole input file
    std::size_t pos = 0;  // next byte to read (input)
    std::size_t column = 1;
};

[[noreturn]] void failErrno(int errnoValue, FileOp op) { throw RuntimeError(errorFromErrno(errnoValue, op)); }

std::string checkedNativePath(const std::string& path) {
    if (path.empty()) throw RuntimeError(err::BadFileName);
    std::optional<std::string> native = nativePath(path);
    if (!native) throw RuntimeError(err::PathNotFound);
    return *native;
}

bool parentIsDirectory(const std::string& native) {
    std::size_t slash = native.find_last_of('/');
    std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    struct stat st {};
    return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Everything in as few write calls as the kernel allows; 0 or an errno.
int writeAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::size_t chunk = left < static_cast<std::size_t>(INT_MAX) ? left : INT_MAX;
        const ssize_t n = ::write(fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

class DiskFiles : public Files {
public:
    ~DiskFiles() override {
        try {
            closeAll();
        } catch (...) {
            // Nobody is left to tell; the channels are released either way.
        }
    }

    void openAppend(int channel, const std::string& path) override {
        openForWriting(channel, path, Mode::Append, O_APPEND);
    }

    void openOutput(int channel, const std::string& path) override {
        openForWriting(channel, path, Mode::Output, O_TRUNC);
    }

    void openInput(int channel, const std::string& path) override {
        std::optional<Channel>& slot = freeSlot(channel);
        const std::string native = checkedNativePath(path);
        int fd;
        do fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            const int e = errno;
            if (e == ENOENT && !parentIsDirectory(native)) throw RuntimeError(err::PathNotFound);
            failErrno(e, FileOp::OpenRead);
        }
        Channel c;
        c.mode = Mode::Input;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                const int e = errno;
                ::close(fd);
                failErrno(e, FileOp::Read);
            }
            if (n == 0) break;
            c.data.append(buf, static_cast<std::size_t>(n));
        }
        ::close(fd);
        slot = std::move(c);
    }

    void close(int channel) override {
        std::optional<Channel>& slot = at(channel);
        if (!slot) return;
        Channel c = std::move(*slot);
        slot.reset();  // released whatever happens below, so it can be opened again
        if (c.mode == Mode::Input) return;

        int first = writeAll(c.fd, c.data);
        FileOp op = FileOp::Write;
        if (first == 0) {
            int r;
            do r = ::fsync(c.fd);
            while (r < 0 && errno == EINTR);
            // Devices and pipes cannot be synced; that is no failure of the data.
            if (r < 0 && errno != EINVAL && errno != EROFS) first = errno;
        }
        // On Linux the descriptor is gone even when close reports EINTR.
        if (::close(c.fd) < 0 && errno != EINTR && first == 0) {
            first = errno;
            op = FileOp::Close;
        }
        if (first != 0) failErrno(first, op);
    }

    void discard(int channel) override {
        std::optional<Channel>& slot = at(channel);
        if (!slot) return;
        if (slot->mode != Mode::Input) ::close(slot->fd);
        slot.reset();
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
        return channel >= 1 && channel <= kChannels && channels_[static_cast<std::size_t>(channel - 1)].has_value();
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

    void makeDirectory(const std::string& path) override {
        const std::string native = checkedNativePath(path);
        if (::mkdir(native.c_str(), 0777) < 0) failErrno(errno, FileOp::MakeDir);
    }

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

    void openForWriting(int channel, const std::string& path, Mode mode, int extraFlags) {
        std::optional<Channel>& slot = freeSlot(channel);
        const std::string native = checkedNativePath(path);
        int fd;
        do fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | extraFlags, 0666);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) failErrno(errno, FileOp::OpenWrite);
        Channel c;
        c.mode = mode;
        c.fd = fd;
        slot = std::move(c);
    }

    std::array<std::optional<Channel>, kChannels> channels_;
};

}  // namespace

std::unique_ptr<Files> makeDiskFiles() { return std::make_unique<DiskFiles>(); }

}  // namespace drill
