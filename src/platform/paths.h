#pragma once
// The system names its files with Windows paths (c:\tarnholm\...). A drive X:
// maps to the folder $DRILL_DRIVE_X when that is set, on every system, so
// that tests never touch a real drive. Otherwise, on Windows a drive is the
// real one; elsewhere drive C is $HOME and any other drive is absent
// (opening there fails with 76).
#include <optional>
#include <string>

namespace drill {

// A path as the system's file functions take it: UTF-16 on Windows, UTF-8
// elsewhere.
#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// Native path of a Windows path in the code page, or nothing when its drive
// is absent.
std::optional<NativePath> nativePath(const std::string& windowsPath);

// The same for opening a file: an empty path is 52, an absent drive 76, and
// on Windows a full path of 260 characters or more 52.
NativePath checkedNativePath(const std::string& windowsPath);

// The folder of the student's own program state on this computer, never the
// hand-in folder: $DRILL_STATE_DIR when that is set (tests), else on Windows
// %LOCALAPPDATA%\Assignment Drill, elsewhere $XDG_STATE_HOME/assignment-drill
// (~/.local/state when $XDG_STATE_HOME is unset or not absolute). Nothing
// when the system names no such place.
std::optional<NativePath> stateFolder();

// A file of that folder, by a name of plain ASCII characters.
NativePath inFolder(const NativePath& folder, const std::string& asciiName);

}  // namespace drill
