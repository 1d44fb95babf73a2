// Line input over any file: no line keeps a CR, and the lines with their line
// ends put back give the file again.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/files.h"

namespace {
std::string dir() {
    static std::string d = [] {
        char tmpl[] = "/tmp/drill_fuzz_XXXXXX";
        std::string made = mkdtemp(tmpl);
        setenv("DRILL_DRIVE_C", made.c_str(), 1);
        return made;
    }();
    return d;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string root = dir();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(root + "/in.txt", std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    auto files = drill::makeDiskFiles();
    files->openInput(1, "c:\\in.txt");
    std::string rebuilt;
    std::size_t pos = 0;
    while (!files->eof(1)) {
        std::string line = files->lineInput(1);
        if (line.find('\r') != std::string::npos) std::abort();
        if (bytes.compare(pos, line.size(), line) != 0) std::abort();
        pos += line.size();
        // The line end that was stripped: CR LF, a lone CR, or none at the very end.
        if (pos < bytes.size()) {
            if (bytes[pos] != '\r') std::abort();
            pos += (pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ? 2 : 1;
        }
    }
    if (pos != bytes.size()) std::abort();
    try {
        files->lineInput(1);
        std::abort();  // reading past the end must fail
    } catch (const drill::RuntimeError& e) {
        if (e.number() != 62) std::abort();
    }
    files->close(1);
    return 0;
}
