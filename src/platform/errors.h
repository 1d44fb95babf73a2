#pragma once
// Run-time errors carry the numbers the instructor's messages report, so a
// student can quote them. Ending the program is an exception of its own so
// that nothing after the point that ends it runs.
#include <stdexcept>
#include <string>

namespace drill {

namespace err {
inline constexpr int InvalidArgument = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int Internal = 51;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int BadFileMode = 54;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int DeviceIo = 57;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int TooManyFiles = 67;
inline constexpr int PermissionDenied = 70;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
}  // namespace err

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int number);
    int number() const noexcept { return number_; }

private:
    int number_;
};

[[noreturn]] void fail(int number);

// The number that reports the exception being handled (call it only inside
// a catch block): a RuntimeError's own, 7 when memory ran out, 51 for
// anything else.
int numberOfCurrentFailure() noexcept;

// Thrown to end the program: every open channel is closed by whoever catches it.
struct EndProgram {};

// What a file operation was doing when errno was set; ENOENT means different
// things for reading (file not found) and for creating (path not found).
enum class FileOp { OpenRead, OpenWrite, Read, Write, Close, MakeDir };

#ifdef _WIN32
// The number for a Windows error code (GetLastError).
int errorFromWin32(unsigned long code, FileOp op);
#else
int errorFromErrno(int errnoValue, FileOp op);
#endif

}  // namespace drill
