#include "platform/paths.h"

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace drill {

namespace {

bool startsWithDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

char upperDrive(char drive) { return drive >= 'a' ? static_cast<char>(drive - 'a' + 'A') : drive; }

// The root a drive letter stands for and the path after it, joined with one
// separator between them.
NativePath joined(NativePath root, const NativePath& rest, typename NativePath::value_type separator) {
    while (root.size() > 1 && root.back() == separator) root.pop_back();
    if (rest.empty()) return root;
    if (root.size() == 1 && root.back() == separator && rest.front() == separator) return rest;
    if (rest.front() != separator && root.back() != separator) root += separator;
    return root + rest;
}

#ifdef _WIN32
std::optional<std::wstring> environment(const std::wstring& name) {
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed <= 1) return std::nullopt;
    std::wstring value(needed, L'\0');
    const DWORD got = GetEnvironmentVariableW(name.c_str(), value.data(), needed);
    if (got == 0 || got >= needed) return std::nullopt;
    value.resize(got);
    return value;
}

// No Windows file system takes a name longer than 255 characters; saying so
// here gives the same number whatever the system would make of it.
std::wstring wide(std::string_view codePage) {
    const std::u16string utf16 = cp1252::toUtf16(codePage);
    std::size_t component = 0;
    for (const char16_t c : utf16) {
        component = c == u'\\' || c == u'/' ? 0 : component + 1;
        if (component > 255) throw RuntimeError(err::BadFileName);
    }
    return {utf16.begin(), utf16.end()};
}

#else
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

std::optional<NativePath> stateFolder() {
#ifdef _WIN32
    if (std::optional<std::wstring> set = environment(L"DRILL_STATE_DIR")) return set;
    const std::optional<std::wstring> local = environment(L"LOCALAPPDATA");
    if (!local) return std::nullopt;
    return joined(*local, L"Assignment Drill", L'\\');
#else
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::string(value) : std::string();
    };
    if (std::string set = variable("DRILL_STATE_DIR"); !set.empty()) return set;
    // A relative XDG_STATE_HOME counts as unset, as desktops treat it.
    std::string base = variable("XDG_STATE_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = homeDirectory();
        if (home.empty()) return std::nullopt;
        base = joined(home, ".local/state", '/');
    }
    return joined(base, "assignment-drill", '/');
#endif
}

NativePath inFolder(const NativePath& folder, const std::string& asciiName) {
#ifdef _WIN32
    return joined(folder, NativePath(asciiName.begin(), asciiName.end()), L'\\');
#else
    return joined(folder, asciiName, '/');
#endif
}

std::optional<NativePath> nativePath(const std::string& windowsPath) {
    if (windowsPath.find('\0') != std::string::npos) throw RuntimeError(err::BadFileName);
#ifdef _WIN32
    // Converted by the code page's own table: the system's ANSI code page,
    // which the A functions would use, may be any other.
    if (!startsWithDrive(windowsPath)) return wide(windowsPath);
    const char drive = upperDrive(windowsPath[0]);
    const std::optional<std::wstring> mapped = environment(L"DRILL_DRIVE_" + std::wstring(1, static_cast<wchar_t>(drive)));
    if (!mapped) return wide(windowsPath);
    return joined(*mapped, wide(windowsPath.substr(2)), L'\\');
#else
    std::string rest = windowsPath;
    std::optional<std::string> root;
    if (startsWithDrive(windowsPath)) {
        root = driveRoot(upperDrive(windowsPath[0]));
        if (!root) return std::nullopt;
        rest = windowsPath.substr(2);
    }
    for (char& c : rest)
        if (c == '\\') c = '/';
    // Only the system's own part is in the code page; the drive root comes
    // from the environment and is already a native name.
    rest = cp1252::toUtf8(rest);
    if (!root) return rest;
    return joined(*root, rest, '/');
#endif
}

NativePath checkedNativePath(const std::string& windowsPath) {
    if (windowsPath.empty()) throw RuntimeError(err::BadFileName);
    std::optional<NativePath> native = nativePath(windowsPath);
    if (!native) throw RuntimeError(err::PathNotFound);
#ifdef _WIN32
    // Windows' file functions take no full path of MAX_PATH (260) characters
    // or more, and call one "path not found". Such paths are not made to work
    // (with \\?\ and a long-path manifest): the files would be beyond what
    // many of the instructor's tools can open. The name is too long, as when
    // one part of it is.
    if (GetFullPathNameW(native->c_str(), 0, nullptr, nullptr) > MAX_PATH) throw RuntimeError(err::BadFileName);
#endif
    return *native;
}

}  // namespace drill
