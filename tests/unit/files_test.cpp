#include "platform/files.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "fakes.h"
#include "faults.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/owners.h"

namespace drill {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDrive;
using testing::writeFile;
using testing::SizeLimit;

// The number of the RuntimeError that f throws, or -1 when it throws none.
int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return -1;
}

class FilesTest : public ::testing::Test {
protected:
    TempDrive drive;
    testing::LimitedDisk disk;
    std::unique_ptr<Files> files = makeDiskFiles(disk.fileSystem());
};

// One item of a write statement.
struct Item {
    std::string text;
    Sep sep;
    bool number = false;
    double value = 0;
};

Item text(std::string t, Sep s) { return {std::move(t), s}; }
Item num(double v, Sep s) { return {"", s, true, v}; }

struct ZoneCase {
    const char* name;
    std::string existing;
    std::vector<Item> items;
    std::string expected;  // what the channel added
};

TEST_F(FilesTest, WriteStatementsAndPrintZones) {
    const std::string dots(49, '.');
    const ZoneCase cases[] = {
        {"zone from column 1", "", {text("", Sep::Zone), text("x", Sep::LineEnd)}, std::string(14, ' ') + "x\r\n"},
        {"short item", "", {text("a", Sep::Zone), text("b", Sep::LineEnd)}, "a" + std::string(13, ' ') + "b\r\n"},
        {"dot rule of 49", "", {text(dots, Sep::Zone), text("x", Sep::None)}, dots + std::string(7, ' ') + "x"},
        {"13 characters", "", {text("1234567890123", Sep::Zone)}, "1234567890123 "},
        {"item fills the zone", "", {text("12345678901234", Sep::Zone)}, "12345678901234" + std::string(14, ' ')},
        {"two zones", "", {text("a", Sep::Zone), text("b", Sep::Zone), text("c", Sep::None)},
         "a" + std::string(13, ' ') + "b" + std::string(13, ' ') + "c"},
        {"items joined", "", {text("ab", Sep::None), text("cd", Sep::Zone)}, "abcd" + std::string(10, ' ')},
        {"line end resets", "", {text("abcdef", Sep::LineEnd), text("x", Sep::Zone)}, "abcdef\r\nx" + std::string(13, ' ')},
        {"CR LF inside text", "", {text("abcdefghij\r\nde", Sep::Zone)}, "abcdefghij\r\nde" + std::string(12, ' ')},
        {"lone CR inside text", "", {text("abcdefghij\rde", Sep::Zone)}, "abcdefghij\rde" + std::string(12, ' ')},
        {"text ending in line end", "", {text("abc\r\n", Sep::Zone)}, "abc\r\n" + std::string(14, ' ')},
        {"number items", "", {num(5, Sep::Zone), num(-2.5, Sep::LineEnd)}, " 5 " + std::string(11, ' ') + "-2.5 \r\n"},
        {"number after text", "", {text("Key:", Sep::None), num(0.5, Sep::LineEnd)}, "Key: .5 \r\n"},
        {"fresh channel starts at column 1", "xyz", {text("a", Sep::Zone)}, "a" + std::string(13, ' ')},
        {"empty line", "", {text("", Sep::LineEnd)}, "\r\n"},
        {"code page bytes unchanged", "", {text("Zo\xEB \x80\xFF", Sep::LineEnd)}, "Zo\xEB \x80\xFF\r\n"},
    };
    int i = 0;
    for (const ZoneCase& c : cases) {
        const std::string name = "f" + std::to_string(i++) + ".txt";
        if (!c.existing.empty()) writeFile(drive.path(name), c.existing);
        files->openAppend(1, "c:\\" + name);
        for (const Item& it : c.items) {
            if (it.number) files->printNumber(1, it.value, it.sep);
            else files->print(1, it.text, it.sep);
        }
        files->close(1);
        EXPECT_EQ(readFile(drive.path(name)), c.existing + c.expected) << c.name;
    }
}

TEST_F(FilesTest, ChannelsKeepTheirOwnColumns) {
    files->openAppend(1, "c:\\one.txt");
    files->openAppend(2, "c:\\two.txt");
    files->print(1, "abcdefgh", Sep::None);
    files->print(2, "x", Sep::Zone);
    files->print(1, "", Sep::Zone);
    files->closeAll();
    EXPECT_EQ(readFile(drive.path("one.txt")), "abcdefgh      ");
    EXPECT_EQ(readFile(drive.path("two.txt")), "x" + std::string(13, ' '));
}

TEST_F(FilesTest, AppendingNeverChangesExistingBytes) {
    std::string big;
    for (int i = 0; i < 100000; ++i) big.push_back(static_cast<char>((i * 7919) & 0xFF));
    const std::string existing[] = {"", "line1\r\n", "last line without end", std::string("\xFF\0\x80\r", 4), big};
    int i = 0;
    for (const std::string& before : existing) {
        const std::string name = "a" + std::to_string(i++) + ".txt";
        writeFile(drive.path(name), before);
        files->openAppend(1, "c:\\" + name);
        files->print(1, "new", Sep::LineEnd);
        files->close(1);
        EXPECT_EQ(readFile(drive.path(name)), before + "new\r\n") << name;
    }
}

TEST_F(FilesTest, AppendCreatesAMissingFile) {
    files->openAppend(1, "c:\\fresh.txt");
    files->close(1);
    ASSERT_TRUE(fs::exists(drive.path("fresh.txt")));
    EXPECT_EQ(fs::file_size(drive.path("fresh.txt")), 0u);
}

TEST_F(FilesTest, OutputEmptiesTheFileFirst) {
    writeFile(drive.path("out.txt"), "old content\r\n");
    files->openOutput(1, "c:\\out.txt");
    files->print(1, "x", Sep::LineEnd);
    files->close(1);
    EXPECT_EQ(readFile(drive.path("out.txt")), "x\r\n");

    files->openOutput(1, "c:\\out.txt");
    files->close(1);
    EXPECT_EQ(readFile(drive.path("out.txt")), "");
}

TEST_F(FilesTest, WrittenAsOneBlockAtClose) {
    writeFile(drive.path("m.txt"), "start\r\n");
    files->openAppend(1, "c:\\m.txt");
    files->print(1, "block", Sep::LineEnd);
    EXPECT_EQ(readFile(drive.path("m.txt")), "start\r\n");
    files->close(1);
    EXPECT_EQ(readFile(drive.path("m.txt")), "start\r\nblock\r\n");
}

TEST_F(FilesTest, TwoWritersToOneFileDoNotInterleave) {
    auto other = makeDiskFiles();
    files->openAppend(1, "c:\\shared.txt");
    other->openAppend(1, "c:\\shared.txt");
    files->print(1, "A1", Sep::LineEnd);
    other->print(1, "B1", Sep::LineEnd);
    files->print(1, "A2", Sep::LineEnd);
    other->print(1, "B2", Sep::LineEnd);
    other->close(1);
    files->close(1);
    EXPECT_EQ(readFile(drive.path("shared.txt")), "B1\r\nB2\r\nA1\r\nA2\r\n");
}

TEST_F(FilesTest, TenMegabytesArriveWhole) {
    std::string big(10 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4097) big[i] = static_cast<char>('a' + i % 26);
    files->openAppend(1, "c:\\big.txt");
    files->print(1, big, Sep::None);
    files->close(1);
    EXPECT_TRUE(readFile(drive.path("big.txt")) == big);
}

struct LinesCase {
    std::string content;
    std::vector<std::string> lines;
};

TEST_F(FilesTest, LineInputAndEndOfFile) {
    const LinesCase cases[] = {
        {"", {}},
        {"abc", {"abc"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\r\n", {"a\nb"}},  // a lone LF is part of the line
        {"\r\n\r\n", {"", ""}},
        {"\r\r\n", {"", ""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"Zo\xEB\x80\r\n", {"Zo\xEB\x80"}},
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
    };
    int i = 0;
    for (const LinesCase& c : cases) {
        const std::string name = "in" + std::to_string(i++) + ".txt";
        writeFile(drive.path(name), c.content);
        files->openInput(2, "c:\\" + name);
        std::vector<std::string> got;
        while (!files->eof(2) && got.size() < 10) got.push_back(files->lineInput(2));
        EXPECT_EQ(got, c.lines) << name;
        EXPECT_TRUE(files->eof(2));
        EXPECT_EQ(errorOf([&] { files->lineInput(2); }), err::InputPastEnd) << name;
        files->close(2);
    }
}

TEST_F(FilesTest, OpenErrors) {
    fs::create_directory(drive.path("dir"));
    fs::create_directory(drive.path(std::string(200, 'd')));
    writeFile(drive.path("plain.txt"), "x");
    struct Case {
        const char* name;
        std::function<void(Files&)> open;
        int expected;
    };
    const Case cases[] = {
        {"read missing file", [](Files& f) { f.openInput(1, "c:\\dir\\missing.txt"); }, err::FileNotFound},
        {"read in missing directory", [](Files& f) { f.openInput(1, "c:\\nodir\\x.txt"); }, err::PathNotFound},
        {"append in missing directory", [](Files& f) { f.openAppend(1, "c:\\nodir\\x.txt"); }, err::PathNotFound},
        {"output in missing directory", [](Files& f) { f.openOutput(1, "c:\\nodir\\x.txt"); }, err::PathNotFound},
        {"append on absent drive", [](Files& f) { f.openAppend(1, "e:\\x.txt"); }, err::PathNotFound},
        {"read on absent drive", [](Files& f) { f.openInput(1, "e:\\x.txt"); }, err::PathNotFound},
        {"directory is a file", [](Files& f) { f.openAppend(1, "c:\\plain.txt\\x.txt"); }, err::PathNotFound},
        {"read under a file", [](Files& f) { f.openInput(1, "c:\\plain.txt\\x.txt"); }, err::PathNotFound},
        {"append to a directory", [](Files& f) { f.openAppend(1, "c:\\dir"); }, err::PathFileAccess},
        {"read a directory", [](Files& f) { f.openInput(1, "c:\\dir"); }, err::PathFileAccess},
        {"empty name", [](Files& f) { f.openAppend(1, ""); }, err::BadFileName},
        {"NUL in name", [](Files& f) { f.openAppend(1, std::string("c:\\a\0b", 6)); }, err::BadFileName},
        {"name too long", [](Files& f) { f.openAppend(1, "c:\\" + std::string(300, 'n')); }, err::BadFileName},
#ifdef _WIN32
        // Each part short enough, the whole of 260 or more, in a folder that is there.
        {"full path too long",
         [](Files& f) { f.openAppend(1, "c:\\" + std::string(200, 'd') + "\\" + std::string(60, 'n')); },
         err::BadFileName},
#endif
        {"channel 0", [](Files& f) { f.openAppend(0, "c:\\x.txt"); }, err::BadFileName},
        {"channel 256", [](Files& f) { f.openInput(256, "c:\\plain.txt"); }, err::BadFileName},
        {"channel -1", [](Files& f) { f.openOutput(-1, "c:\\x.txt"); }, err::BadFileName},
    };
    for (const Case& c : cases) {
        auto f = makeDiskFiles();
        EXPECT_EQ(errorOf([&] { c.open(f.get()[0]); }), c.expected) << c.name;
        EXPECT_FALSE(f->isOpen(1)) << c.name;
    }
    EXPECT_FALSE(fs::exists(drive.path("nodir")));
}

// Who owns a shared folder and the student's notes file in it, as user
// numbers, and whether the student's note is recorded there. A hand-in
// folder that students may write into but not list takes the new file. A
// file a classmate made there first is refused before a byte reaches it; the
// instructor's own, and those of a file system that shows one owner for
// everything, or none, are the student's to write.
constexpr unsigned kInstructor = 61001, kStudent = 61002, kClassmate = 61003, kMount = 61004, kNoOwner = 99999;
struct OwnerCase {
    const char* what;
    fs::perms mode;  // the folder's, where the system has modes
    unsigned folderOwner;
    std::optional<unsigned> fileOwner;  // none: the student's note makes the file
    int expected;
};
const OwnerCase kOwnerCases[] = {
    {"write-only hand-in folder", fs::perms(01733), kInstructor, std::nullopt, 0},
    {"write-only folder without the sticky bit", fs::perms(0733), kInstructor, std::nullopt, 0},
    {"a classmate's file in a folder of root", fs::perms(01777), 0, kClassmate, err::PathFileAccess},
    {"a classmate's file in the instructor's folder", fs::perms(01777), kInstructor, kClassmate, err::PathFileAccess},
    {"the instructor's file", fs::perms(01777), kInstructor, kInstructor, 0},
    {"one owner for everything, as on a CIFS mount", fs::perms(0777), kMount, kMount, 0},
    {"the student's own file", fs::perms(01777), 0, kStudent, 0},
    {"no owner shown, as on a FAT drive or some shares", fs::perms(0777), kNoOwner, kNoOwner, 0},
};

// Owners as the test tells them, by the name of the file's folder.
class ToldOwners : public Owners {
public:
    std::map<std::string, const OwnerCase*> folders;

    bool isStudent(const std::string& owner) override { return owner == std::to_string(kStudent); }
    Owner ofFile(std::intptr_t, const NativePath& native) override { return told(*of(native).fileOwner); }
    Owner ofFolder(const NativePath& native) override { return told(of(native).folderOwner); }

private:
    const OwnerCase& of(const NativePath& native) { return *folders.at(fs::path(native).parent_path().filename().string()); }
    static Owner told(unsigned user) { return user == kNoOwner ? Owner() : Owner(std::to_string(user)); }
};

// The same cases on every system, with owners told: what Windows or Linux
// says of a classmate's file, without being one.
TEST_F(FilesTest, SharedFoldersByTheOwnersTheSystemTells) {
    auto owners = std::make_unique<ToldOwners>();
    ToldOwners& told = *owners;
    const auto student = makeDiskFiles(makeNativeFileSystem(std::move(owners)));
    int i = 0;
    for (const OwnerCase& c : kOwnerCases) {
        const std::string folder = "shared" + std::to_string(i++);
        const std::string before = c.fileOwner ? "prepared\r\n" : "";
        fs::create_directory(drive.path(folder));
        if (c.fileOwner) writeFile(drive.path(folder + "/notes_Ann.txt"), before);
        told.folders[folder] = &c;
        const auto note = [&] {
            student->openAppend(3, "c:\\" + folder + "\\notes_Ann.txt");
            student->print(3, "Ann's note");
            student->close(3);
        };
        EXPECT_EQ(errorOf(note), c.expected == 0 ? -1 : c.expected) << c.what;
        EXPECT_EQ(readFile(drive.path(folder + "/notes_Ann.txt")), c.expected == 0 ? before + "Ann's note\r\n" : before)
            << c.what;
    }
}

#ifndef _WIN32
TEST_F(FilesTest, PermissionDenied) {
    if (geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
    writeFile(drive.path("locked.txt"), "x");
    fs::permissions(drive.path("locked.txt"), fs::perms::none);
    EXPECT_EQ(errorOf([&] { files->openInput(1, "c:\\locked.txt"); }), err::PermissionDenied);
    EXPECT_EQ(errorOf([&] { files->openAppend(1, "c:\\locked.txt"); }), err::PermissionDenied);
}

// What `body` comes to when a child process runs it as `uid` (who is not
// root): 0, or the number it failed with.
int asUser(uid_t uid, const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        int status = 0;
        if (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0) ::_exit(201);
        try {
            body();
        } catch (const RuntimeError& e) {
            status = e.number();
        } catch (...) {
            status = 202;
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A student who is not root records a note into the college's shared folder.
TEST_F(FilesTest, SharedFolders) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be the instructor, a classmate and the student";
    fs::permissions(drive.root, fs::perms(0755));
    int i = 0;
    for (const OwnerCase& c : kOwnerCases) {
        if (c.folderOwner == kNoOwner) continue;  // every file has an owner here
        const std::string folder = "shared" + std::to_string(i++);
        const fs::path file = drive.path(folder + "/notes_Ann.txt");
        fs::create_directory(drive.path(folder));
        if (c.fileOwner) {
            writeFile(file, "prepared\r\n");
            ASSERT_EQ(::chown(file.c_str(), *c.fileOwner, *c.fileOwner), 0);
            fs::permissions(file, fs::perms(0666));
        }
        ASSERT_EQ(::chown(drive.path(folder).c_str(), c.folderOwner, c.folderOwner), 0);
        fs::permissions(drive.path(folder), c.mode);
        const int result = asUser(kStudent, [&] {
            auto student = makeDiskFiles();
            student->openAppend(3, "c:\\" + folder + "\\notes_Ann.txt");
            student->print(3, "Ann's note");
            student->close(3);
        });
        EXPECT_EQ(result, c.expected) << c.what;
        const std::string before = c.fileOwner ? "prepared\r\n" : "";
        EXPECT_EQ(readFile(file), c.expected == 0 ? before + "Ann's note\r\n" : before) << c.what;
    }
}

TEST(ErrnoMapping, NearestFileError) {
    struct Case {
        int errnoValue;
        FileOp op;
        int expected;
    };
    const Case cases[] = {
        {ENOENT, FileOp::OpenRead, err::FileNotFound},   {ENOENT, FileOp::OpenWrite, err::PathNotFound},
        {ENOENT, FileOp::MakeDir, err::PathNotFound},    {ENOTDIR, FileOp::OpenRead, err::PathNotFound},
        {EACCES, FileOp::OpenWrite, err::PermissionDenied}, {EPERM, FileOp::MakeDir, err::PermissionDenied},
        {EROFS, FileOp::OpenWrite, err::PermissionDenied}, {EEXIST, FileOp::MakeDir, err::PathFileAccess},
        {EISDIR, FileOp::Read, err::PathFileAccess},     {ETXTBSY, FileOp::OpenWrite, err::PathFileAccess},
        {ELOOP, FileOp::OpenRead, err::PathFileAccess},  {ENAMETOOLONG, FileOp::OpenRead, err::BadFileName},
        {EMFILE, FileOp::OpenRead, err::TooManyFiles},   {ENFILE, FileOp::OpenWrite, err::TooManyFiles},
        {ENOSPC, FileOp::Write, err::DiskFull},          {EDQUOT, FileOp::Close, err::DiskFull},
        {EFBIG, FileOp::Write, err::DiskFull},           {EIO, FileOp::Close, err::DeviceIo},
        {ENOMEM, FileOp::OpenRead, err::OutOfMemory},    {EBADF, FileOp::Write, err::DeviceIo},
        {EBADF, FileOp::OpenWrite, err::PathFileAccess}, {ENXIO, FileOp::OpenRead, err::PathFileAccess},
        {ENOENT, FileOp::Read, err::DeviceIo},
        // A network file system gone away while opening, as while writing.
        {ETIMEDOUT, FileOp::OpenWrite, err::DeviceIo},   {EHOSTDOWN, FileOp::OpenRead, err::DeviceIo},
        {EHOSTUNREACH, FileOp::OpenWrite, err::DeviceIo}, {ENOTCONN, FileOp::OpenRead, err::DeviceIo},
        {ESTALE, FileOp::OpenWrite, err::DeviceIo},      {ECONNREFUSED, FileOp::MakeDir, err::DeviceIo},
        {EREMOTEIO, FileOp::OpenRead, err::DeviceIo},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorFromErrno(c.errnoValue, c.op), c.expected) << c.errnoValue << " op " << int(c.op);
}
#else
TEST(Win32ErrorMapping, NearestFileError) {
    struct Case {
        DWORD code;
        FileOp op;
        int expected;
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, FileOp::OpenRead, err::FileNotFound},
        {ERROR_PATH_NOT_FOUND, FileOp::OpenWrite, err::PathNotFound},
        {ERROR_INVALID_DRIVE, FileOp::MakeDir, err::PathNotFound},
        {ERROR_BAD_NETPATH, FileOp::OpenRead, err::PathNotFound},
        {ERROR_ACCESS_DENIED, FileOp::OpenWrite, err::PermissionDenied},
        {ERROR_SHARING_VIOLATION, FileOp::OpenWrite, err::PermissionDenied},
        {ERROR_LOCK_VIOLATION, FileOp::Write, err::PermissionDenied},
        {ERROR_WRITE_PROTECT, FileOp::Write, err::PermissionDenied},
        {ERROR_DISK_FULL, FileOp::Write, err::DiskFull},
        {ERROR_HANDLE_DISK_FULL, FileOp::Write, err::DiskFull},
        {1295, FileOp::Write, err::DiskFull},  // quota exceeded
        {ERROR_FILENAME_EXCED_RANGE, FileOp::OpenWrite, err::BadFileName},
        {ERROR_INVALID_NAME, FileOp::OpenRead, err::BadFileName},
        {ERROR_ALREADY_EXISTS, FileOp::MakeDir, err::PathFileAccess},
        {ERROR_CANT_ACCESS_FILE, FileOp::OpenRead, err::PathFileAccess},
        {ERROR_TOO_MANY_OPEN_FILES, FileOp::OpenRead, err::TooManyFiles},
        {ERROR_NOT_ENOUGH_MEMORY, FileOp::Read, err::OutOfMemory},
        {ERROR_NOT_READY, FileOp::OpenWrite, err::DiskNotReady},
        {ERROR_NETNAME_DELETED, FileOp::Write, err::DeviceIo},
        // The network or the share gone away while opening, as while writing.
        {ERROR_NETNAME_DELETED, FileOp::OpenWrite, err::DeviceIo}, {ERROR_SEM_TIMEOUT, FileOp::OpenRead, err::DeviceIo},
        {ERROR_UNEXP_NET_ERR, FileOp::OpenRead, err::DeviceIo}, {ERROR_LOGON_FAILURE, FileOp::OpenRead, err::DeviceIo},
        {ERROR_NETWORK_UNREACHABLE, FileOp::OpenWrite, err::DeviceIo},
        {ERROR_CONNECTION_UNAVAIL, FileOp::OpenWrite, err::DeviceIo},
        {ERROR_NO_NET_OR_BAD_PATH, FileOp::MakeDir, err::DeviceIo},
        {ERROR_INVALID_HANDLE, FileOp::Write, err::DeviceIo},
        {ERROR_INVALID_HANDLE, FileOp::OpenWrite, err::PathFileAccess},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorFromWin32(c.code, c.op), c.expected) << c.code << " op " << int(c.op);
}
#endif

TEST_F(FilesTest, OpeningAnOpenChannelFails55) {
    writeFile(drive.path("r.txt"), "x\r\n");
    const std::function<void(Files&)> opens[] = {
        [](Files& f) { f.openAppend(7, "c:\\w.txt"); },
        [](Files& f) { f.openOutput(7, "c:\\w.txt"); },
        [](Files& f) { f.openInput(7, "c:\\r.txt"); },
    };
    for (const auto& first : opens) {
        for (const auto& second : opens) {
            first(*files);
            EXPECT_EQ(errorOf([&] { second(*files); }), err::FileAlreadyOpen);
            EXPECT_TRUE(files->isOpen(7));
            files->close(7);
        }
    }
    // The failed open left the first channel working.
    files->openAppend(7, "c:\\w.txt");
    files->print(7, "kept", Sep::LineEnd);
    EXPECT_EQ(errorOf([&] { files->openAppend(7, "c:\\other.txt"); }), err::FileAlreadyOpen);
    files->close(7);
    EXPECT_EQ(readFile(drive.path("w.txt")), "kept\r\n");
}

TEST_F(FilesTest, ChannelModeAndNumberErrors) {
    writeFile(drive.path("r.txt"), "x\r\n");
    files->openInput(1, "c:\\r.txt");
    files->openAppend(2, "c:\\w.txt");
    const std::pair<const char*, std::function<void()>> misuse[] = {
        {"print to input", [&] { files->print(1, "x"); }},
        {"number to input", [&] { files->printNumber(1, 1); }},
        {"read from append", [&] { files->lineInput(2); }},
        {"eof of append", [&] { files->eof(2); }},
    };
    for (const auto& [name, f] : misuse) EXPECT_EQ(errorOf(f), err::BadFileMode) << name;
    const std::pair<const char*, std::function<void()>> closed[] = {
        {"print to closed", [&] { files->print(3, "x"); }},
        {"read from closed", [&] { files->lineInput(3); }},
        {"eof of closed", [&] { files->eof(3); }},
        {"print to channel 0", [&] { files->print(0, "x"); }},
        {"close channel 300", [&] { files->close(300); }},
        {"close channel 300 together with 2", [&] { const int chs[] = {2, 300}; files->closeTogether(chs); }},
    };
    for (const auto& [name, f] : closed) EXPECT_EQ(errorOf(f), err::BadFileName) << name;
    // A bad number in a group releases none of the good ones unwritten.
    EXPECT_TRUE(files->isOpen(2));
    files->closeAll();
}

TEST_F(FilesTest, CloseIsHarmlessWhenNotOpen) {
    files->close(5);
    files->openAppend(5, "c:\\c.txt");
    files->print(5, "once", Sep::LineEnd);
    EXPECT_TRUE(files->isOpen(5));
    files->close(5);
    EXPECT_FALSE(files->isOpen(5));
    files->close(5);
    files->closeAll();
    EXPECT_EQ(readFile(drive.path("c.txt")), "once\r\n");
}

TEST_F(FilesTest, DiscardDropsWhatIsPendingAndReleasesTheChannel) {
    writeFile(drive.path("d.txt"), "kept\r\n");
    files->openAppend(2, "c:\\d.txt");
    files->print(2, "never written", Sep::LineEnd);
    files->discard(2);
    files->discard(2);  // not open: nothing happens
    EXPECT_FALSE(files->isOpen(2));
    files->openAppend(2, "c:\\d.txt");
    files->print(2, "next", Sep::LineEnd);
    files->close(2);
    EXPECT_EQ(readFile(drive.path("d.txt")), "kept\r\nnext\r\n");
}

// Another copy of the program that is stuck holding a file's lock holds a
// block up for about two seconds, and no longer.
TEST_F(FilesTest, ALockHeldElsewhereDelaysABlockButDoesNotStopIt) {
    const auto otherCopy = makeNativeFileSystem()->open("c:\\held.txt", OpenMode::Append);
    ASSERT_EQ(otherCopy->tryLock(), LockResult::Held);
    files->openAppend(1, "c:\\held.txt");
    files->print(1, "recorded all the same", Sep::LineEnd);
    const auto start = std::chrono::steady_clock::now();
    files->close(1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(readFile(drive.path("held.txt")), "recorded all the same\r\n");
}

// The same with the kernel's own limit, where there is one, as with the
// disk's: the part that fitted is cut off again.
TEST_F(FilesTest, DiskFullIsReportedAtCloseAndLeavesTheFileAsItWas) {
    for (const bool kernel : {false, true}) {
        writeFile(drive.path("full.txt"), std::string(4000, 'o'));
        std::optional<SizeLimit> limit;
#ifdef _WIN32
        if (kernel) continue;
#else
        std::optional<testing::FileSizeLimit> kernelLimit;
        if (kernel) kernelLimit.emplace(4096);
#endif
        if (!kernel) limit.emplace(disk, 4096);
        files->openAppend(1, "c:\\full.txt");
        files->print(1, std::string(200, 'x'), Sep::LineEnd);  // the first 96 bytes fit
        EXPECT_EQ(errorOf([&] { files->close(1); }), err::DiskFull) << kernel;
        EXPECT_FALSE(files->isOpen(1));
        EXPECT_EQ(readFile(drive.path("full.txt")), std::string(4000, 'o')) << kernel;
        // A channel without output still closes cleanly.
        files->openAppend(1, "c:\\full.txt");
        EXPECT_EQ(errorOf([&] { files->close(1); }), -1) << kernel;
    }
}

TEST_F(FilesTest, ChannelsClosedTogetherReachTheirFilesAllOrNone) {
    for (const bool fits : {true, false}) {
        writeFile(drive.path("a.txt"), "a\r\n");
        writeFile(drive.path("b.txt"), "b\r\n");
        writeFile(drive.path("c.txt"), std::string(4000, 'c'));
        std::optional<SizeLimit> limit;
        if (!fits) limit.emplace(disk, 4096);
        files->openAppend(1, "c:\\a.txt");
        files->openAppend(2, "c:\\b.txt");
        files->openAppend(3, "c:\\c.txt");
        for (int ch : {1, 2, 3}) files->print(ch, std::string(100, 'n'), Sep::LineEnd);
        const int all[] = {1, 2, 3};
        EXPECT_EQ(errorOf([&] { files->closeTogether(all); }), fits ? -1 : err::DiskFull);
        for (int ch : all) EXPECT_FALSE(files->isOpen(ch));
        const std::string added = fits ? std::string(100, 'n') + "\r\n" : "";
        EXPECT_EQ(readFile(drive.path("a.txt")), "a\r\n" + added) << fits;
        EXPECT_EQ(readFile(drive.path("b.txt")), "b\r\n" + added) << fits;
        EXPECT_EQ(readFile(drive.path("c.txt")), std::string(4000, 'c') + added) << fits;
    }
}

// Another copy of the program appended to the file after this channel was
// opened, before this channel wrote: a failed group cuts off its own block
// alone, and the other copy's stays.
TEST_F(FilesTest, AFailedGroupKeepsWhatAnotherCopyAppended) {
    writeFile(drive.path("shared.txt"), "start\r\n");
    writeFile(drive.path("full.txt"), std::string(4096, 'f'));
    files->openAppend(1, "c:\\shared.txt");
    files->openAppend(2, "c:\\full.txt");
    files->print(1, "ours", Sep::LineEnd);
    files->print(2, "no room", Sep::LineEnd);
    auto other = makeDiskFiles();
    other->openAppend(1, "c:\\shared.txt");
    other->print(1, "theirs", Sep::LineEnd);
    other->close(1);
    SizeLimit limit(disk, 4096);
    const int both[] = {1, 2};
    EXPECT_EQ(errorOf([&] { files->closeTogether(both); }), err::DiskFull);
    EXPECT_EQ(readFile(drive.path("shared.txt")), "start\r\ntheirs\r\n");
    EXPECT_EQ(readFile(drive.path("full.txt")), std::string(4096, 'f'));
}

// Another program moved the file away while the block was written to it:
// the failed block is still cut back, by what the channel had in hand from
// its open on.
TEST_F(FilesTest, AFailedBlockIsCutBackFromAFileMovedMeanwhile) {
    writeFile(drive.path("moving.txt"), "start\r\n");
    writeFile(drive.path("full.txt"), std::string(4096, 'f'));
    files->openAppend(1, "c:\\moving.txt");
    files->openAppend(2, "c:\\full.txt");
    files->print(1, "ours", Sep::LineEnd);
    files->print(2, "no room", Sep::LineEnd);
    if (!testing::moveOpenFile(drive.path("moving.txt"), drive.path("moved.txt")))
        GTEST_SKIP() << "no program here can move a file held open";
    SizeLimit limit(disk, 4096);
    const int both[] = {1, 2};
    EXPECT_EQ(errorOf([&] { files->closeTogether(both); }), err::DiskFull);
    EXPECT_EQ(readFile(drive.path("moved.txt")), "start\r\n");
}

TEST_F(FilesTest, CloseAllClosesEveryChannelAndReportsTheFirstFailure) {
    writeFile(drive.path("full.txt"), std::string(4096, 'f'));
    files->openAppend(1, "c:\\full.txt");
    files->openAppend(2, "c:\\ok.txt");
    files->openAppend(255, "c:\\last.txt");
    files->print(1, "lost", Sep::LineEnd);
    files->print(2, "two", Sep::LineEnd);
    files->print(255, "last", Sep::LineEnd);
    SizeLimit limit(disk, 4096);
    EXPECT_EQ(errorOf([&] { files->closeAll(); }), err::DiskFull);
    for (int ch : {1, 2, 255}) EXPECT_FALSE(files->isOpen(ch)) << ch;
    EXPECT_EQ(readFile(drive.path("ok.txt")), "two\r\n");
    EXPECT_EQ(readFile(drive.path("last.txt")), "last\r\n");
}

TEST_F(FilesTest, DestroyingTheChannelsWritesWhatIsOpen) {
    files->openAppend(1, "c:\\d.txt");
    files->print(1, "kept", Sep::LineEnd);
    writeFile(drive.path("full.txt"), std::string(4096, 'f'));
    files->openAppend(2, "c:\\full.txt");
    files->print(2, "lost", Sep::LineEnd);
    SizeLimit limit(disk, 4096);
    files.reset();  // must not throw
    EXPECT_EQ(readFile(drive.path("d.txt")), "kept\r\n");
}

// Names planted where the program's files belong: none is followed, waited
// on or read, and nothing outside changes or appears.
TEST_F(FilesTest, OnlyPlainFilesOfTheirOwnAreOpened) {
    const fs::path outside = drive.path("outside.txt");
    fs::create_directory(drive.path("other"));
    struct Case {
        const char* what;
        // Plants something at the name; the name to open, or nothing when it
        // cannot be planted here.
        std::function<std::optional<std::string>(const std::string&)> plant;
        int readError = err::PathFileAccess;
    };
    using testing::plantLink;
    // Everything but a device (which needs root to make) can be planted.
    const auto at = [&](const std::string& name, bool planted) {
        EXPECT_TRUE(planted) << name;
        return planted ? std::optional<std::string>(name) : std::nullopt;
    };
    const Case cases[] = {
        {"link to a file", [&](const std::string& n) { return at(n, plantLink(drive.path(n), outside)); }},
        {"link to nowhere", [&](const std::string& n) { return at(n, plantLink(drive.path(n), drive.path("new.txt"))); },
#ifdef _WIN32
         // Under Wine a link of the system below to nowhere reads as no file
         // at all; nothing is read or made either way.
         err::FileNotFound
#endif
        },
        // A classmate's file of the same name in another folder.
        {"link to the same name elsewhere",
         [&](const std::string& n) {
             writeFile(drive.path("other/" + n), "outside\r\n");
             return at(n, plantLink(drive.path(n), drive.path("other/" + n)));
         }},
        {"second name of a file",
         [&](const std::string& n) {
             std::error_code ec;
             fs::create_hard_link(outside, drive.path(n), ec);
             return at(n, !ec);
         }},
        // Made first by a classmate; only root can give a file away.
        {"a classmate's file",
         [&](const std::string& n) {
             writeFile(drive.path(n), "outside\r\n");
             return testing::giveToClassmate(drive.path(n)) ? std::optional<std::string>(n) : std::nullopt;
         }},
#ifdef _WIN32
        // A student named "~1" would open notes_~1.txt, which can be the
        // short name of a classmate's notes file.
        {"short name of another file",
         [&](const std::string&) {
             writeFile(drive.path("a_classmates_long_file_name.txt"), "outside\r\n");
             const std::string shortName = testing::shortName(drive.path("a_classmates_long_file_name.txt"));
             return at(shortName, !shortName.empty() && shortName != "a_classmates_long_file_name.txt");
         }},
        {"device", [&](const std::string&) { return at("NUL", true); }},
#else
        {"link to a device", [&](const std::string& n) { return at(n, plantLink(drive.path(n), "/dev/zero")); }},
        {"pipe", [&](const std::string& n) { return at(n, ::mkfifo(drive.path(n).c_str(), 0666) == 0); }},
        {"socket",
         [&](const std::string& n) {
             const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", drive.path(n).c_str());
             const bool bound = ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
             ::close(s);
             return at(n, bound);
         }},
        // /dev/zero's own numbers; making a device needs root.
        {"device",
         [&](const std::string& n) {
             const bool made = ::mknod(drive.path(n).c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0;
             EXPECT_TRUE(made || geteuid() != 0);
             return made ? std::optional<std::string>(n) : std::nullopt;
         }},
#endif
    };
    const std::pair<std::function<void(Files&, const std::string&)>, bool> opens[] = {
        {[](Files& f, const std::string& n) { f.openAppend(1, n); }, false},
        {[](Files& f, const std::string& n) { f.openOutput(1, n); }, false},
        {[](Files& f, const std::string& n) { f.openInput(1, n); }, true},
    };
    int i = 0;
    for (const Case& c : cases) {
        writeFile(outside, "outside\r\n");
        const std::optional<std::string> name = c.plant("planted" + std::to_string(i++) + ".txt");
        if (!name) continue;
        for (const auto& [open, reads] : opens) {
            EXPECT_EQ(errorOf([&] { open(*files, "c:\\" + *name); }), reads ? c.readError : err::PathFileAccess)
                << c.what;
            EXPECT_FALSE(files->isOpen(1)) << c.what;
            files->discard(1);
        }
        EXPECT_EQ(readFile(outside), "outside\r\n") << c.what;
        EXPECT_FALSE(fs::exists(drive.path("new.txt"))) << c.what;
        for (const auto& elsewhere : fs::directory_iterator(drive.path("other")))
            EXPECT_EQ(readFile(elsewhere.path()), "outside\r\n") << c.what;
    }
    // The data directory itself may be a link.
    fs::create_directory(drive.path("real"));
    ASSERT_TRUE(plantLink(drive.path("linked"), drive.path("real"), true));
    files->openAppend(1, "c:\\linked\\f.txt");
    files->print(1, "through the directory link", Sep::LineEnd);
    files->close(1);
    EXPECT_EQ(readFile(drive.path("real/f.txt")), "through the directory link\r\n");
}

int openDescriptors() {
#ifdef _WIN32
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return static_cast<int>(n);
#else
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
#endif
}

TEST_F(FilesTest, FailuresLeakNoDescriptor) {
    fs::create_directory(drive.path("dir"));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(drive.path("pipe").c_str(), 0666), 0);
#endif
    writeFile(drive.path("full.txt"), std::string(4096, 'f'));
    // The channels keep one file open from their first block on: where they
    // write down the blocks under way.
    files->openAppend(2, "c:\\first.txt");
    files->print(2, "first block", Sep::LineEnd);
    files->close(2);
    const int before = openDescriptors();
    for (int round = 0; round < 20; ++round) {
        errorOf([&] { files->openInput(1, "c:\\dir"); });
#ifndef _WIN32
        errorOf([&] { files->openInput(1, "c:\\pipe"); });
        errorOf([&] { files->openAppend(1, "c:\\pipe"); });
#endif
        errorOf([&] { files->openAppend(1, "c:\\dir"); });
        files->openAppend(2, "c:\\full.txt");
        files->print(2, "x", Sep::LineEnd);
        SizeLimit limit(disk, 4096);
        errorOf([&] { files->close(2); });
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(FilesTest, FileNamesReachTheDiskInUtf8) {
    files->openAppend(1, "c:\\notes_Zo\xEB.txt");
    files->print(1, "hi", Sep::LineEnd);
    files->close(1);
    EXPECT_EQ(readFile(drive.path("notes_Zo\xC3\xAB.txt")), "hi\r\n");
    files->openInput(1, "c:\\notes_Zo\xEB.txt");
    EXPECT_EQ(files->lineInput(1), "hi");
    files->close(1);
#ifndef _WIN32
    // The raw code-page byte is not the same name.
    EXPECT_FALSE(fs::exists(drive.root / "notes_Zo\xEB.txt"));
#endif
}

TEST_F(FilesTest, MakeDirectory) {
    files->makeDirectory("c:\\tarnholm");
    EXPECT_TRUE(fs::is_directory(drive.path("tarnholm")));
    files->makeDirectory("c:\\tarnholm\\Zo\xEB");
    EXPECT_TRUE(fs::is_directory(drive.path("tarnholm/Zo\xC3\xAB")));
    const std::pair<const char*, int> failures[] = {
        {"c:\\tarnholm", err::PathFileAccess},      // exists
        {"c:\\a\\b", err::PathNotFound},            // one level only
        {"e:\\tarnholm", err::PathNotFound},        // absent drive
        {"", err::BadFileName},
    };
    for (auto [path, expected] : failures)
        EXPECT_EQ(errorOf([&] { files->makeDirectory(path); }), expected) << path;
    EXPECT_FALSE(fs::exists(drive.path("a")));
}

// A block of three files, as a note writes it, by a program that may be
// killed part way; the next start finds what it left.
class LeftBlockTest : public FilesTest {
protected:
    const std::string names[3] = {"m.txt", "s.txt", "n.txt"};
    std::string before(int i) const { return "before in " + names[i] + "\r\n"; }
    std::string block(int i) const { return "block " + std::to_string(i) + std::string(40, '.') + "\r\n"; }
    std::string read(int i) const { return readFile(drive.path(names[i])); }

    // Whether the program died before the block was whole.
    bool recordDying(Files& f, std::function<bool(const std::string&)> killWhen) {
        for (int i = 0; i < 3; ++i) {
            writeFile(drive.path(names[i]), before(i));
            f.openAppend(i + 1, "c:\\" + names[i]);
            f.print(i + 1, block(i), Sep::None);
        }
        disk.killWhen = std::move(killWhen);
        const int all[] = {1, 2, 3};
        try {
            f.closeTogether(all);
        } catch (const testing::Killed&) {
            return true;
        }
        return false;
    }
};

TEST_F(LeftBlockTest, AKillAtAnyStepLeavesTheBlockInAllItsFilesOrNoneAfterTheNextStart) {
    int n = 1;
    for (;; ++n) {
        auto dying = makeDiskFiles(disk.fileSystem());
        int operation = 0;
        const bool died = recordDying(*dying, [&](const std::string&) { return ++operation == n; });
        dying.reset();  // its files closed, as the system closes them
        disk.revive();
        if (!died) break;
        EXPECT_EQ(errorOf([] { makeDiskFiles()->finishLeftBlocks(); }), -1) << n;
        int whole = 0;
        for (int i = 0; i < 3; ++i) {
            if (read(i) == before(i) + block(i)) ++whole;
            else EXPECT_EQ(read(i), before(i)) << n;
        }
        EXPECT_TRUE(whole == 0 || whole == 3) << n;
        std::error_code none;  // killed before the folder was made
        for (const auto& slot : fs::directory_iterator(drive.state(), none)) EXPECT_EQ(fs::file_size(slot), 0u) << n;
    }
    EXPECT_GT(n, 10);  // the record, three writes, four syncs and more were kill points
}

// A classmate appended to the send file after the program died in its write.
TEST_F(LeftBlockTest, AFileChangedSinceIsLeftAloneAndTheStudentIsTold) {
    ASSERT_TRUE(recordDying(*files, [](const std::string& op) { return op == "append c:\\s.txt"; }));
    files.reset();
    disk.revive();
    const std::string changed = read(1) + "a classmate's line\r\n";
    writeFile(drive.path("s.txt"), changed);
    EXPECT_EQ(errorOf([] { makeDiskFiles()->finishLeftBlocks(); }), err::PathFileAccess);
    EXPECT_EQ(read(1), changed);
    EXPECT_EQ(read(2), before(2) + block(2));
}

// Another copy that is still running holds its record: a start leaves it
// and its files alone, and finishes the block once that copy has gone.
TEST_F(LeftBlockTest, ARunningCopysRecordIsNotTouched) {
    ASSERT_TRUE(recordDying(*files, [](const std::string& op) { return op == "append c:\\s.txt"; }));
    const std::string left[] = {read(0), read(1), read(2)};
    EXPECT_EQ(errorOf([] { makeDiskFiles()->finishLeftBlocks(); }), -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(read(i), left[i]) << i;
    files.reset();
    disk.revive();
    makeDiskFiles()->finishLeftBlocks();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(read(i), before(i) + block(i)) << i;
}

}  // namespace
}  // namespace drill
