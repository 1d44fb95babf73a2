// The channels' files on Windows, through the wide-character functions: the
// names are converted by the code page's own table, never by the system's
// ANSI code page, which may be any other.
#include <algorithm>
#include <utility>
#include <vector>

#include <windows.h>
#include <aclapi.h>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/owners.h"
#include "platform/paths.h"

namespace drill {

namespace {

// Owns a handle, so that no failure path can leak one.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void reset() {
        if (valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

[[noreturn]] void failLast(FileOp op) { throw RuntimeError(errorFromWin32(GetLastError(), op)); }

// Both copies of the program, and the instructor's reader, may have the
// file open at once; a program that shares no writing keeps it to itself.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

std::wstring parentOf(const std::wstring& native) {
    const std::size_t slash = native.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    // The root of a drive keeps its separator: "c:" alone is the drive's
    // current directory.
    if (slash == 0 || (slash == 2 && native[1] == L':')) return native.substr(0, slash + 1);
    return native.substr(0, slash);
}

std::wstring leafOf(const std::wstring& native) {
    const std::size_t slash = native.find_last_of(L"\\/");
    return slash == std::wstring::npos ? native : native.substr(slash + 1);
}

// The name the system itself gives an open file or directory; empty when
// it cannot tell.
std::wstring finalPath(HANDLE h) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n + 1);
    }
    return {};
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// The file opened is the file named, in the directory named: not another
// file that a short 8.3 name stands for (a student named "~1" would open
// notes_~1.txt, which may be a classmate's notes file), nor a file reached
// through a link that the system followed without saying so, as Wine does
// with the links of the file system below it. The directory itself may be
// reached through a link. When the system cannot tell a name, the checks of
// the file's kind are all there is.
bool isTheNamedFile(HANDLE file, const std::wstring& native) {
    const std::wstring opened = finalPath(file);
    const Handle directory(CreateFileW(parentOf(native).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (opened.empty() || !directory.valid()) return true;
    std::wstring expected = finalPath(directory.get());
    if (expected.empty()) return true;
    if (expected.back() != L'\\') expected += L'\\';
    return sameName(opened, expected + leafOf(native));
}

bool isDirectory(const std::wstring& native) {
    const DWORD attributes = GetFileAttributesW(native.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class Win32File : public NativeFile {
public:
    // `cutter` cuts a failed block back where `h` cannot: an append handle
    // has no write access.
    Win32File(Handle h, Handle cutter) : h_(std::move(h)), cutter_(std::move(cutter)) {}

    // Windows' locks stop writes into the bytes they cover, so the lock
    // covers the last byte a file could have, which no append reaches: it
    // keeps other copies of the program waiting and stops nobody else.
    LockResult tryLock() override {
        OVERLAPPED at{};
        at.Offset = 0xFFFFFFFEu;
        at.OffsetHigh = 0x7FFFFFFFu;
        if (LockFileEx(h_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            return LockResult::Held;
        return GetLastError() == ERROR_LOCK_VIOLATION ? LockResult::Busy : LockResult::None;
    }

    // One WriteFile for a block: with append access alone, the system puts
    // each write at the end as a whole, whoever else is appending.
    void append(std::string_view bytes, std::size_t& written) override {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const DWORD chunk = left < 0x40000000u ? static_cast<DWORD>(left) : 0x40000000u;
            DWORD n = 0;
            if (!WriteFile(h_.get(), p, chunk, &n, nullptr)) {
                written += n;
                failLast(FileOp::Write);
            }
            if (n == 0) fail(err::DeviceIo);
            p += n;
            left -= n;
            written += n;
        }
    }

    std::int64_t endOfAppended() override {
        LARGE_INTEGER position{};
        if (!SetFilePointerEx(h_.get(), LARGE_INTEGER{}, &position, FILE_CURRENT)) return -1;
        return position.QuadPart;
    }

    std::int64_t size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(h_.get(), &size)) failLast(FileOp::Read);
        return size.QuadPart;
    }

    void sync() override {
        if (!FlushFileBuffers(h_.get())) failLast(FileOp::Write);
    }

    void truncate(std::int64_t size) override {
        HANDLE writer = cutter_.valid() ? cutter_.get() : h_.get();
        LARGE_INTEGER at{};
        at.QuadPart = size;
        if (!SetFilePointerEx(writer, at, nullptr, FILE_BEGIN) || !SetEndOfFile(writer)) failLast(FileOp::Write);
    }

    std::string readAll() override {
        std::string data;
        char buf[65536];
        for (;;) {
            DWORD n = 0;
            if (!ReadFile(h_.get(), buf, sizeof buf, &n, nullptr)) failLast(FileOp::Read);
            if (n == 0) return data;
            data.append(buf, n);
        }
    }

private:
    Handle h_;
    Handle cutter_;
};

// A security identifier, as bytes compared as they are.
std::string sidBytes(PSID sid) { return {static_cast<const char*>(sid), GetLengthSid(sid)}; }

// The owner of an open file or folder in `owner`, none where the file system
// keeps none; 0 or the system's error.
DWORD readOwner(HANDLE h, Owner& owner) {
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD e =
        GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr, nullptr, &descriptor);
    owner.reset();
    if (e == ERROR_SUCCESS && sid != nullptr && IsValidSid(sid)) owner = sidBytes(sid);
    if (descriptor != nullptr) LocalFree(descriptor);
    return e;
}

// Owners are security identifiers. The student is the user the program runs
// as, and also the owner the system gives what the program makes, which is
// the Administrators group when it runs elevated: a classmate who is not an
// administrator cannot give a file that owner.
class Win32Owners : public Owners {
public:
    bool isStudent(const std::string& owner) override {
        if (!read_) {
            read_ = true;
            readStudent();
        }
        return std::find(student_.begin(), student_.end(), owner) != student_.end();
    }

    // A file system that keeps no owners answers with one of these two
    // errors: its files have none.
    Owner ofFile(std::intptr_t file, const std::wstring&) override {
        Owner owner;
        const DWORD e = readOwner(reinterpret_cast<HANDLE>(file), owner);
        if (e != ERROR_SUCCESS && e != ERROR_NOT_SUPPORTED && e != ERROR_INVALID_FUNCTION)
            throw RuntimeError(errorFromWin32(e, FileOp::OpenRead));
        return owner;
    }

    Owner ofFolder(const std::wstring& native) override {
        const Handle folder(CreateFileW(parentOf(native).c_str(), READ_CONTROL,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        Owner owner;
        if (!folder.valid() || readOwner(folder.get(), owner) != ERROR_SUCCESS) return std::nullopt;
        return owner;
    }

private:
    void readStudent() {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return;
        const Handle token(raw);
        for (const TOKEN_INFORMATION_CLASS what : {TokenUser, TokenOwner}) {
            DWORD bytes = 0;
            GetTokenInformation(token.get(), what, nullptr, 0, &bytes);
            std::vector<char> buffer(bytes);
            if (bytes == 0 || !GetTokenInformation(token.get(), what, buffer.data(), bytes, &bytes)) continue;
            const PSID sid = what == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                               : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
            if (sid != nullptr && IsValidSid(sid)) student_.push_back(sidBytes(sid));
        }
    }

    bool read_ = false;
    std::vector<std::string> student_;
};

// What an open name turned out to be, once it is known to be a plain file of
// its own: anything else is 75.
struct PlainFile {
    bool keptByFilter = false;  // a reparse point of a filter, not a link
    std::int64_t size = 0;
};

// Two small queries rather than GetFileInformationByHandle, which also asks
// for the volume's serial number: under Wine that alone took longer than
// appending and flushing a block.
PlainFile plainFile(HANDLE h, FileOp op) {
    FILE_ATTRIBUTE_TAG_INFO kind{};
    FILE_STANDARD_INFO standard{};
    if (GetFileType(h) != FILE_TYPE_DISK) fail(err::PathFileAccess);
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &kind, sizeof kind) ||
        !GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard))
        failLast(op);
    if ((kind.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 || standard.Directory ||
        standard.NumberOfLinks > 1)
        fail(err::PathFileAccess);
    // A symbolic link, a junction or a mount point stands for another file.
    // Any other reparse point (a cloud client's placeholder, a deduplicated
    // or compressed file) is the file itself, kept by a filter of the system.
    const bool reparse = (kind.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (reparse && IsReparseTagNameSurrogate(kind.ReparseTag)) fail(err::PathFileAccess);
    return {reparse, standard.EndOfFile.QuadPart};
}

class Win32FileSystem : public FileSystem {
public:
    explicit Win32FileSystem(std::unique_ptr<Owners> owners) : owners_(std::move(owners)) {}

    // FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link or a junction
    // itself instead of what it points to, and what the name turns out to be
    // is checked before a byte moves: a link, a directory, a device, a file
    // with a second name, another file than the one named, or a classmate's
    // file, is 75.
    std::unique_ptr<NativeFile> open(const std::string& path, OpenMode mode) override {
        return openState(checkedNativePath(path), mode);
    }

    std::unique_ptr<NativeFile> openState(const std::wstring& native, OpenMode mode) override {
        const FileOp op = mode == OpenMode::Read ? FileOp::OpenRead : FileOp::OpenWrite;
        const DWORD access = mode == OpenMode::Read ? GENERIC_READ
                             : mode == OpenMode::Append
                                 ? FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE
                                 : GENERIC_WRITE | FILE_READ_ATTRIBUTES;
        const auto openAs = [&](DWORD disposition, DWORD flags) {
            flags |= FILE_ATTRIBUTE_NORMAL;
            return Handle(CreateFileW(native.c_str(), access, kShare, nullptr, disposition, flags, nullptr));
        };
        Handle h;
        bool created = false;
        for (int attempt = 0;; ++attempt) {
            h = openAs(OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
            if (h.valid()) break;
            DWORD e = GetLastError();
            if (e == ERROR_FILE_NOT_FOUND && mode != OpenMode::Read) {
                // Created only where nothing stands: a link to nowhere that
                // the system would follow (Wine follows those of the file
                // system below it) makes nothing where it points.
                h = openAs(CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT);
                if (h.valid()) {
                    created = true;
                    break;
                }
                e = GetLastError();
                if (e == ERROR_FILE_EXISTS && attempt < 3) continue;
            }
            // A directory cannot be opened as a file at all.
            if (e == ERROR_ACCESS_DENIED && isDirectory(native)) fail(err::PathFileAccess);
            throw RuntimeError(errorFromWin32(e, op));
        }

        PlainFile file = plainFile(h.get(), op);
        if (file.keptByFilter) {
            // Only the filter gives such a file's bytes: it is opened again
            // through it, while the first handle keeps the name from being
            // moved or removed meanwhile.
            Handle through = openAs(OPEN_EXISTING, 0);
            if (!through.valid()) failLast(op);
            h = std::move(through);
            file = plainFile(h.get(), op);
        }
        if (!isTheNamedFile(h.get(), native)) fail(err::PathFileAccess);
        if (!created && !isStudentsFile(*owners_, reinterpret_cast<std::intptr_t>(h.get()), native))
            fail(err::PathFileAccess);

        // Cutting a failed block back needs write access, which the append
        // handle lacks so that its writes stay whole appends. The second
        // handle is had now, before the block's first byte: a file that could
        // take a block and not give it back is refused here.
        Handle cutter;
        if (mode == OpenMode::Append) {
            cutter = Handle(ReOpenFile(h.get(), GENERIC_WRITE, kShare, 0));
            if (!cutter.valid()) failLast(op);
        }
        // Emptied only once it is known to be the plain file named.
        if (mode == OpenMode::Output && file.size != 0) {
            if (!SetEndOfFile(h.get())) failLast(op);
        }
        // The file system keeps a new file's entry with the file itself:
        // flushing the file puts both on disk.
        if (created && !FlushFileBuffers(h.get())) failLast(FileOp::Write);
        return std::make_unique<Win32File>(std::move(h), std::move(cutter));
    }

    void makeDirectory(const std::string& path) override {
        const std::wstring native = checkedNativePath(path);
        if (!CreateDirectoryW(native.c_str(), nullptr)) failLast(FileOp::MakeDir);
    }

    // Each missing folder from the top down; what stands above cannot always
    // be made or even looked at (a share's root), so only the last one counts.
    // A folder under the user's profile is the user's alone by the rights it
    // inherits.
    void makeStateFolder(const std::wstring& native) override {
        for (std::size_t end = native.find_first_of(L"\\/", 3);; end = native.find_first_of(L"\\/", end + 1)) {
            const std::wstring folder = native.substr(0, end);
            if (!CreateDirectoryW(folder.c_str(), nullptr) && end == std::wstring::npos &&
                GetLastError() != ERROR_ALREADY_EXISTS)
                failLast(FileOp::MakeDir);
            if (end == std::wstring::npos) break;
        }
        if (!isDirectory(native)) fail(err::PathNotFound);
    }

private:
    std::unique_ptr<Owners> owners_;
};

}  // namespace

std::unique_ptr<FileSystem> makeNativeFileSystem(std::unique_ptr<Owners> owners) {
    return std::make_unique<Win32FileSystem>(std::move(owners));
}

std::unique_ptr<FileSystem> makeNativeFileSystem() { return makeNativeFileSystem(std::make_unique<Win32Owners>()); }

}  // namespace drill
