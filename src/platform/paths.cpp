#include "platform/paths.h"

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/errors.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace drill {

namespace {

#ifndef _WIN32
std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    // No HOME (started by a service): fall back to the account's home.
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return {};
}

std::optional<std::string> driveRoot(char drive) {
    const std::string var = std::string("DRILL_DRIVE_") + drive;
    if (const char* mapped = std::getenv(var.c_str()); mapped != nullptr && *mapped != '\0') return mapped;
    if (drive == 'C') {
        std::string home = homeDirectory();
        if (!home.empty()) return home;
    }
    return std::nullopt;
}
#endif

}  // namespace

std::optional<std::string> nativePath(const std::string& windowsPath) {
    if (windowsPath.find('\0') != std::string::npos) throw RuntimeError(err::BadFileName);
#ifdef _WIN32
    return windowsPath;
#else
    std::string rest = windowsPath;
    std::optional<std::string> root;
    const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                          ((windowsPath[0] >= 'A' && windowsPath[0] <= 'Z') ||
                           (windowsPath[0] >= 'a' && windowsPath[0] <= 'z'));
    if (hasDrive) {
        char drive = windowsPath[0];
        if (drive >= 'a') drive = static_cast<char>(drive - 'a' + 'A');
        root = driveRoot(drive);
        if (!root) return std::nullopt;
        rest = windowsPath.substr(2);
    }
    for (char& c : rest)
        if (c == '\\') c = '/';
    // Only the system's own part is in the code page; the drive root comes
    // from the environment and is already a native name.
    rest = cp1252::toUtf8(rest);
    if (!root) return rest;
    std::string base = *root;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (rest.empty()) return base;
    if (rest.front() != '/' && base != "/") base += '/';
    if (base == "/" && rest.front() == '/') return rest;
    return base + rest;
#endif
}

}  // namespace drill
