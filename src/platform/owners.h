#pragma once
// Whose an existing file is. In a shared folder that anyone may write into,
// a classmate can make a student's file before the student does, and then
// read or change what the student records there. A file is the student's
// when the student owns it, or when whoever owns its folder does: the
// instructor may prepare files, and a file system that shows one owner for
// everything (a CIFS mount) passes as it is. So does one that shows no owner
// at all (a FAT drive, some shares).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/paths.h"

namespace drill {

class FileSystem;

// An owner as the system tells it, only ever compared: a user number on
// POSIX, a security identifier on Windows. None where the file system shows
// no owner.
using Owner = std::optional<std::string>;

// Who owns what, as the rule above sees it. Each system reads the owners of
// its own files; a test tells its own, to be a classmate or the instructor
// without being one.
class Owners {
public:
    virtual ~Owners() = default;
    // Whether the student running the program is this owner.
    virtual bool isStudent(const std::string& owner) = 0;
    // The owner of an open file: `file` is the system's handle of it (a
    // descriptor on POSIX, a HANDLE on Windows), `native` its name.
    virtual Owner ofFile(std::intptr_t file, const NativePath& native) = 0;
    // The owner of the folder that holds `native`; none when it cannot be read.
    virtual Owner ofFolder(const NativePath& native) = 0;
};

// Whether the existing file open as `file` may take the student's work.
bool isStudentsFile(Owners& owners, std::intptr_t file, const NativePath& native);

// The system's files, with the owners that `owners` tells.
std::unique_ptr<FileSystem> makeNativeFileSystem(std::unique_ptr<Owners> owners);

}  // namespace drill
