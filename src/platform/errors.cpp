#include "platform/errors.h"

#include <cerrno>
#include <new>

#ifdef _WIN32
#include <windows.h>
#endif

namespace drill {

namespace {

std::string message(int number) { return "run-time error " + std::to_string(number); }

}  // namespace

RuntimeError::RuntimeError(int number) : std::runtime_error(message(number)), number_(number) {}

void fail(int number) { throw RuntimeError(number); }

int numberOfCurrentFailure() noexcept {
    try {
        throw;
    } catch (const RuntimeError& error) {
        return error.number();
    } catch (const std::bad_alloc&) {
        return err::OutOfMemory;
    } catch (...) {
        return err::Internal;
    }
}

#ifndef _WIN32
int errorFromErrno(int errnoValue, FileOp op) {
    const bool opening = op == FileOp::OpenRead || op == FileOp::OpenWrite || op == FileOp::MakeDir;
    switch (errnoValue) {
    case ENOENT:
        // Reading a missing file is "file not found"; the caller turns it into
        // "path not found" when the directory itself is missing. Creating in a
        // missing directory can only mean the path.
        if (op == FileOp::OpenRead) return err::FileNotFound;
        if (opening) return err::PathNotFound;
        return err::DeviceIo;
    case ENOTDIR:
        return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return err::PermissionDenied;
    case ETXTBSY:
    case EBUSY:
    case EISDIR:
    case ELOOP:
    case EEXIST:
        return err::PathFileAccess;
    case ENAMETOOLONG:
    case EINVAL:
        return err::BadFileName;
    case EMFILE:
    case ENFILE:
        return err::TooManyFiles;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return err::DiskFull;
    case EIO:
    // A network file system that went away: whether opening or writing, a
    // device fault, not a fault of the folder or the name.
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENOTCONN:
    case ESTALE:
    case ECONNREFUSED:
    case EREMOTEIO:
        return err::DeviceIo;
    case ENOMEM:
        return err::OutOfMemory;
    default:
        return opening ? err::PathFileAccess : err::DeviceIo;
    }
}

#else
int errorFromWin32(unsigned long code, FileOp op) {
    const bool opening = op == FileOp::OpenRead || op == FileOp::OpenWrite || op == FileOp::MakeDir;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return err::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:  // a file where a directory of the path belongs
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
        return err::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:  // a file in use
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return err::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
    case 1295:  // ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64 does not name
        return err::DiskFull;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
        return err::BadFileName;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
    case ERROR_CANT_ACCESS_FILE:  // a link the system cannot follow
    case ERROR_CANT_RESOLVE_FILENAME:
        return err::PathFileAccess;
    case ERROR_TOO_MANY_OPEN_FILES:
        return err::TooManyFiles;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return err::OutOfMemory;
    case ERROR_NOT_READY:  // a removable or network drive not there yet
        return err::DiskNotReady;
    case ERROR_HANDLE_EOF:
        return err::InputPastEnd;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    // The network or the share went away (a dropped I: drive), whether
    // opening or writing.
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_SEM_TIMEOUT:
    case ERROR_CONNECTION_UNAVAIL:
    case ERROR_NO_NET_OR_BAD_PATH:
    case ERROR_LOGON_FAILURE:
        return err::DeviceIo;
    default:
        return opening ? err::PathFileAccess : err::DeviceIo;
    }
}
#endif

}  // namespace drill
