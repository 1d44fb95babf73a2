#pragma once
// The system names its files with Windows paths (c:\tarnholm\...). On other
// platforms a drive X: maps to $DRILL_DRIVE_X, drive C otherwise to $HOME, and
// any other unmapped drive is absent (opening there fails with 76).
#include <optional>
#include <string>

namespace drill {

// Native path (UTF-8 on Linux) of a Windows path, or nothing when its drive
// is absent.
std::optional<std::string> nativePath(const std::string& windowsPath);

}  // namespace drill
