#pragma once
// Faults of the file system that a test can make without root: a file-size
// limit stands for a disk that fills up.
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <sys/resource.h>

#include "fakes.h"

namespace drill::testing {

// While it lives, no file may grow past `bytes`: a write beyond fails with
// EFBIG (error 61), as on a full disk, and SIGXFSZ is ignored as the program
// ignores it.
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

// Fills a file with blanks up to `size` bytes after what it holds, so that it
// stands at a file-size limit of that size.
inline void fillTo(const std::filesystem::path& file, std::size_t size) {
    std::string bytes = std::filesystem::exists(file) ? readFile(file) : std::string();
    if (bytes.size() < size) bytes.append(size - bytes.size(), ' ');
    writeFile(file, bytes);
}

}  // namespace drill::testing
