#include "platform/errors.h"

#include <cerrno>
#include <new>

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
        return err::DeviceIo;
    case ENOMEM:
        return err::OutOfMemory;
    default:
        return opening ? err::PathFileAccess : err::DeviceIo;
    }
}

}  // namespace drill
