// The whole window under faults and bad input. One rule for all: no crash, a
// clear message where something failed, the program still usable, and no
// byte already in a file changed or lost.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "drill_window.h"
#include "window/qt/application.h"
#include "faults.h"
#include "records.h"

// Every fsync of this process, by the path of what it synced: the disk
// channels call this one instead of the C library's, which it then calls.
namespace {
std::mutex syncMutex;
std::vector<std::string> syncs;
}  // namespace

extern "C" int fsync(int fd) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    if (n > 0) {
        const std::lock_guard<std::mutex> lock(syncMutex);
        syncs.emplace_back(target, static_cast<std::size_t>(n));
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace drill::e2e {
namespace {

void forgetSyncs() {
    const std::lock_guard<std::mutex> lock(syncMutex);
    syncs.clear();
}

bool synced(const fs::path& path) {
    const std::lock_guard<std::mutex> lock(syncMutex);
    return std::find(syncs.begin(), syncs.end(), path.string()) != syncs.end();
}

using namespace block;
using testing::FileSizeLimit;
using testing::fillTo;
using testing::readFile;
using testing::writeFile;
using Messages = std::vector<std::string>;

const std::string kName = "Ann Lee";
const std::string kMaster = "masterFile_Ann_Lee.txt";
const std::string kSend = "send_1207Ann_Lee.txt";  // the fake clock's date is 12-07-2026
const std::string kNotes = "notes_Ann_Lee.txt";
const Header kHeader{kName, "ALE", "001", "h."};
const std::string kNetworkDir = "bkp_000416/My Documents/distance students/interactive problems/lb1";

// The file's bytes when they hold the record (dates and times read back).
std::string expectedIn(const Record& record, const std::string& actual) {
    Fields fields;
    fields.allowedDates = {"12-07-2026"};
    return expectedBytes(record, actual, 0, fields);
}

// The bytes of a record whose dates and times are the fake clock's.
std::string bytesOf(const Record& record) {
    Fields fields;
    for (const Record::Piece& p : record.pieces()) {
        if (p.kind == Record::Kind::Time) fields.values[p.value] = "10:37:30";
        if (p.kind == Record::Kind::Date) fields.values[p.value] = "12-07-2026";
    }
    return expectedBytes(record, "", 0, fields);
}

// Text of many lines, `size` bytes in all, the same for the same seed.
std::string bigText(std::size_t size, unsigned seed) {
    std::string text;
    text.reserve(size);
    unsigned x = seed * 2654435761u + 1;
    while (text.size() < size) {
        if (text.size() % 100 == 98 && text.size() + 2 <= size) {
            text += "\r\n";
            continue;
        }
        x = x * 1103515245u + 12345u;
        const char letters[] = "abcdefghij klmnopqrstuvwxyz \xE9\xFC";  // é and ü are in the code page
        text.push_back(letters[(x >> 16) % (sizeof letters - 1)]);
    }
    return text;
}

// --- The data directory missing -------------------------------------------

struct MissingDirectory {
    const char* what;
    const char* place;
    bool whileRunning;  // removed after the program started
    std::function<fs::path(DrillWindow&)> remove;   // makes it absent; returns where it belongs
    std::function<void(DrillWindow&)> restore;      // maps the drive again, if that is needed
};

class MissingDirectoryTest : public ::testing::TestWithParam<MissingDirectory> {};

TEST_P(MissingDirectoryTest, FailsWithMessageAndRecordsOnceItIsBack) {
    const MissingDirectory& c = GetParam();
    DrillWindow w;
    fs::path dataDir;
    if (!c.whileRunning) dataDir = c.remove(w);
    ASSERT_TRUE(w.load(c.place, kName, "ALE", "1"));
    if (c.whileRunning) dataDir = c.remove(w);
    Messages expected;
    if (!c.whileRunning) expected.push_back(messageB(76));
    EXPECT_EQ(w.messages(), expected);

    w.press("cmdNextQuestion");
    EXPECT_EQ(w.question(), kLine3);
    const auto before = snapshot(w.drive.root);
    w.setAnswer("kept answer");
    w.press("cmd_enter_response");
    w.press("cmd_save_as_notes");
    w.press("cmd_display_note_file");
    expected.insert(expected.end(), {messageB(76), messageB(76), messageB(76)});
    EXPECT_EQ(w.messages(), expected);
    EXPECT_EQ(snapshot(w.drive.root), before);
    // Nothing the student typed or was shown is lost.
    EXPECT_EQ(w.answer(), "kept answer");
    EXPECT_EQ(w.question(), kLine3);

    if (c.restore) c.restore(w);
    fs::create_directories(dataDir);
    w.press("cmd_enter_response");
    EXPECT_EQ(w.messages(), expected);
    EXPECT_EQ(w.answer(), "");
    const std::string master = readFile(dataDir / kMaster);
    EXPECT_EQ(expectedIn(masterResponse("r", kLine3, "10000", "kept answer"), master), master);
    const std::string send = readFile(dataDir / kSend);
    EXPECT_EQ(expectedIn(sendResponse("r", kLine3, "kept answer"), send), send);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MissingDirectoryTest,
    ::testing::Values(
        MissingDirectory{"DriveMapsToMissingDirectory", "1", false,
                         [](DrillWindow& w) {
                             const fs::path gone = w.drive.root / "gone";
                             setenv("DRILL_DRIVE_C", gone.c_str(), 1);
                             return gone / "tarnholm";
                         },
                         nullptr},
        MissingDirectory{"NetworkDriveNotMapped", "2", false,
                         [](DrillWindow& w) { return w.drive.root / "i" / kNetworkDir; },
                         [](DrillWindow& w) { setenv("DRILL_DRIVE_I", (w.drive.root / "i").c_str(), 1); }},
        MissingDirectory{"RemovedWhileRunning", "1", true,
                         [](DrillWindow& w) {
                             fs::remove_all(w.home());
                             return w.home();
                         },
                         nullptr}),
    [](const auto& info) { return std::string(info.param.what); });

// --- Files that cannot be written ------------------------------------------

// Makes a file read-only for everyone, root included (the immutable flag),
// or by its mode where the flag cannot be set; undone when it goes.
class ReadOnly {
public:
    explicit ReadOnly(const fs::path& file) : file_(file) {
        const int fd = ::open(file.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0) ::close(fd);
        if (!immutable_) {
            if (::geteuid() == 0) throw std::runtime_error("cannot make " + file.string() + " read-only as root");
            ::chmod(file.c_str(), 0444);
        }
        active_ = true;
    }
    ~ReadOnly() { undo(); }
    void undo() {
        if (!active_) return;
        active_ = false;
        if (immutable_) {
            const int fd = ::open(file_.c_str(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0) ::close(fd);
        } else {
            ::chmod(file_.c_str(), 0644);
        }
    }

private:
    fs::path file_;
    bool immutable_ = false;
    bool active_ = false;
};

enum class Target { Master, Send, Notes };
enum class How { ReadOnly, DirectoryInItsPlace };

struct Protection {
    const char* what;
    Target target;
    How how;
    int error;
};

class ProtectedFileTest : public ::testing::TestWithParam<Protection> {};

TEST_P(ProtectedFileTest, NothingIsWrittenAndEarlierBytesStay) {
    const Protection& c = GetParam();
    DrillWindow w;
    const std::string names[] = {kMaster, kSend, kNotes};
    const fs::path target = w.home(names[static_cast<int>(c.target)]);
    const std::string earlier = "an earlier run\r\n";
    fs::create_directories(w.home());
    for (const std::string& n : names) writeFile(w.home(n), earlier);
    std::optional<ReadOnly> readOnly;
    if (c.how == How::ReadOnly) {
        readOnly.emplace(target);
    } else {
        fs::remove(target);
        fs::create_directory(target);
        writeFile(target / "inside.txt", "kept");
    }
    const auto beforeLoad = snapshot(w.drive.root);

    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    const bool headerFails = c.target != Target::Notes;
    Messages expected;
    if (headerFails) {
        // The header goes to both files or to neither.
        expected.push_back(messageB(c.error));
        EXPECT_EQ(snapshot(w.drive.root), beforeLoad);
    }
    EXPECT_EQ(w.messages(), expected);

    w.press("cmdNextQuestion");
    w.setAnswer("answer text");
    auto before = snapshot(w.drive.root);
    w.press("cmd_enter_response");
    if (headerFails) {
        expected.push_back(messageB(c.error));
        EXPECT_EQ(snapshot(w.drive.root), before);
        EXPECT_EQ(w.answer(), "answer text");
    }
    EXPECT_EQ(w.messages(), expected);

    w.setAnswer("a note");
    before = snapshot(w.drive.root);
    w.press("cmd_save_as_notes");
    w.press("cmd_display_note_file");
    expected.push_back(messageB(c.error));
    // A directory where the notes file belongs cannot be read either.
    if (c.target == Target::Notes && c.how == How::DirectoryInItsPlace) expected.push_back(messageB(c.error));
    EXPECT_EQ(w.messages(), expected);
    EXPECT_EQ(snapshot(w.drive.root), before);
    EXPECT_EQ(w.answer(), "a note");

    // Writable again: the note that failed is recorded on the next press.
    if (readOnly) readOnly->undo();
    else fs::remove_all(target);
    w.press("cmd_save_as_notes");
    EXPECT_EQ(w.messages(), expected);
    EXPECT_EQ(w.answer(), "");

    auto prior = [&](Target t) { return c.target == t && c.how == How::DirectoryInItsPlace ? "" : earlier; };
    Record master = prior(Target::Master), send = prior(Target::Send), notesFile = prior(Target::Notes);
    if (!headerFails) {
        master += masterHeader(kHeader) + masterResponse("r", kLine3, "10000", "answer text");
        send += sendHeader(kHeader) + sendResponse("r", kLine3, "answer text");
    }
    master += notes(NotesFile::Master, "n", kLine3, "a note");
    send += notes(NotesFile::Send, "n", kLine3, "a note");
    notesFile += notes(NotesFile::Notes, "n", kLine3, "a note");
    const std::string m = readFile(w.home(kMaster)), s = readFile(w.home(kSend)), n = readFile(w.home(kNotes));
    EXPECT_EQ(expectedIn(master, m), m);
    EXPECT_EQ(expectedIn(send, s), s);
    EXPECT_EQ(expectedIn(notesFile, n), n);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProtectedFileTest,
    ::testing::Values(Protection{"ReadOnlyMaster", Target::Master, How::ReadOnly, 70},
                      Protection{"ReadOnlySend", Target::Send, How::ReadOnly, 70},
                      Protection{"ReadOnlyNotes", Target::Notes, How::ReadOnly, 70},
                      Protection{"DirectoryAsMaster", Target::Master, How::DirectoryInItsPlace, 75},
                      Protection{"DirectoryAsSend", Target::Send, How::DirectoryInItsPlace, 75},
                      Protection{"DirectoryAsNotes", Target::Notes, How::DirectoryInItsPlace, 75}),
    [](const auto& info) { return std::string(info.param.what); });

// --- A full disk -------------------------------------------------------------

// A small tmpfs; mounting needs root, so `mounted` may be false.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir);
        mounted = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted = false;

private:
    fs::path dir_;
};

TEST(DiskFullTest, DiskFillsUpDuringARecording) {
    DrillWindow w;
    const fs::path disk = w.drive.root / "disk";
    SmallDisk small(disk);
    if (!small.mounted) GTEST_SKIP() << "a tmpfs can only be mounted by root; SizeLimitReached covers this";
    setenv("DRILL_DRIVE_C", disk.c_str(), 1);
    writeFile(disk / "filler", std::string(24 * 1024, 'f'));
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    w.press("cmdNextQuestion");
    w.setAnswer("small answer");
    w.press("cmd_enter_response");
    ASSERT_EQ(w.messages(), Messages{});

    const fs::path dir = disk / "tarnholm";
    const std::string master0 = readFile(dir / kMaster), send0 = readFile(dir / kSend);
    const std::string big = bigText(200 * 1024, 1);
    w.setAnswer(big);
    w.press("cmd_enter_response");
    EXPECT_EQ(w.messages(), Messages{messageB(61)});
    EXPECT_EQ(w.answer(), big);
    // All or nothing: no part of the block stays in either file.
    EXPECT_TRUE(readFile(dir / kMaster) == master0);
    EXPECT_TRUE(readFile(dir / kSend) == send0);

    // The program goes on, and records once there is room: the new block
    // alone follows what was there.
    w.press("cmd_displayCumulativeText");
    EXPECT_EQ(w.question(), kAnswerSep + "small answer" + kQaSep + kLine3);
    fs::remove(disk / "filler");
    w.setAnswer("after space was freed");
    w.press("cmd_enter_response");
    EXPECT_EQ(w.messages(), Messages{messageB(61)});
    EXPECT_EQ(readFile(dir / kMaster), master0 + bytesOf(masterResponse("c", kLine3, "10000", "after space was freed")));
    EXPECT_EQ(readFile(dir / kSend), send0 + bytesOf(sendResponse("c", kLine3, "after space was freed")));
}

// The send file reaches the size limit: the master file has taken the block
// before the send file fails, and must give it back.
TEST(DiskFullTest, SizeLimitReached) {
    DrillWindow w;
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    w.press("cmdNextQuestion");
    fillTo(w.home(kSend), 64 * 1024);
    const std::string master0 = readFile(w.home(kMaster)), send0 = readFile(w.home(kSend));
    {
        FileSizeLimit limit(64 * 1024);
        w.setAnswer("no room");
        w.press("cmd_enter_response");
        w.setAnswer("no room for a note either");
        w.press("cmd_save_as_notes");
        // The answer is not replaced by the prompt at the next question.
        w.press("cmdNextQuestion");
    }
    EXPECT_EQ(w.messages(), (Messages{messageB(61), messageB(61)}));
    EXPECT_EQ(readFile(w.home(kMaster)), master0);
    EXPECT_EQ(readFile(w.home(kSend)), send0);
    EXPECT_FALSE(fs::exists(w.home(kNotes)) && fs::file_size(w.home(kNotes)) > 0);
    EXPECT_EQ(w.answer(), "no room for a note either");

    w.press("cmd_save_as_notes");
    EXPECT_EQ(w.messages().size(), 2u);
    EXPECT_EQ(readFile(w.home(kMaster)), master0 + bytesOf(notes(NotesFile::Master, "n", kLine5, "no room for a note either")));
    EXPECT_EQ(readFile(w.home(kSend)), send0 + bytesOf(notes(NotesFile::Send, "n", kLine5, "no room for a note either")));
}

// --- Names that are not plain files ---------------------------------------------

enum class Plant { LinkOut, LinkToNowhere, HardLinkOut, Pipe, LinkToZero };

struct PlantedCase {
    const char* what;
    Target target;
    Plant plant;
};

class PlantedNameTest : public ::testing::TestWithParam<PlantedCase> {};

// A classmate plants something under a predictable name in the shared data
// directory: nothing is followed, waited on or read, nothing outside changes
// or appears, and once the name is gone the student records as usual.
TEST_P(PlantedNameTest, IsRefusedAndNothingOutsideChanges) {
    const PlantedCase& c = GetParam();
    DrillWindow w;
    const std::string names[] = {kMaster, kSend, kNotes};
    const fs::path target = w.home(names[static_cast<int>(c.target)]);
    const fs::path outside = w.drive.root / "outside.txt", nowhere = w.drive.root / "made.txt";
    fs::create_directories(w.home());
    writeFile(outside, "a classmate's file\r\n");
    switch (c.plant) {
    case Plant::LinkOut: fs::create_symlink(outside, target); break;
    case Plant::LinkToNowhere: fs::create_symlink(nowhere, target); break;
    case Plant::HardLinkOut: fs::create_hard_link(outside, target); break;
    case Plant::Pipe: ASSERT_EQ(::mkfifo(target.c_str(), 0666), 0); break;
    case Plant::LinkToZero: fs::create_symlink("/dev/zero", target); break;
    }

    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    w.press("cmdNextQuestion");
    w.setAnswer("my answer");
    w.press("cmd_enter_response");
    w.press("cmd_save_as_notes");
    w.press("cmd_display_note_file");
    const bool header = c.target != Target::Notes;
    const Messages expected = header ? Messages{messageB(75), messageB(75), messageB(75)}
                                     : Messages{messageB(75), messageB(75)};
    EXPECT_EQ(w.messages(), expected);
    EXPECT_EQ(readFile(outside), "a classmate's file\r\n");
    EXPECT_FALSE(fs::exists(nowhere));
    // Only the files that could be written were: nothing the student typed is gone.
    EXPECT_EQ(w.question(), header ? kLine3 : "");
    EXPECT_EQ(w.answer(), header ? "my answer" : "");

    fs::remove(target);
    w.setAnswer("recorded at last");
    w.press("cmd_save_as_notes");
    EXPECT_EQ(w.messages(), expected);
    const std::string n = readFile(w.home(kNotes));
    EXPECT_EQ(expectedIn(notes(NotesFile::Notes, "n", kLine3, "recorded at last"), n), n);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PlantedNameTest,
    ::testing::Values(PlantedCase{"MasterLinkedOut", Target::Master, Plant::LinkOut},
                      PlantedCase{"SendLinkedToNowhere", Target::Send, Plant::LinkToNowhere},
                      PlantedCase{"SendHardLinkedOut", Target::Send, Plant::HardLinkOut},
                      PlantedCase{"MasterPipe", Target::Master, Plant::Pipe},
                      PlantedCase{"NotesPipe", Target::Notes, Plant::Pipe},
                      PlantedCase{"NotesLinkedToZero", Target::Notes, Plant::LinkToZero},
                      PlantedCase{"NotesLinkedOut", Target::Notes, Plant::LinkOut}),
    [](const auto& info) { return std::string(info.param.what); });

// --- A new file survives a power cut ---------------------------------------------

// A new file (the master and send files of a first run, a new day's send
// file, the first notes file) is on disk only once the directory that names
// it is synced as well.
TEST(DurabilityTest, NewFilesAreSyncedWithTheirDirectory) {
    DrillWindow w;
    forgetSyncs();
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    const fs::path root = fs::canonical(w.drive.root), dir = root / "tarnholm";
    EXPECT_TRUE(synced(root)) << "the new data directory's entry";
    EXPECT_TRUE(synced(dir)) << "the new master and send files' entries";
    EXPECT_TRUE(synced(dir / kMaster));
    EXPECT_TRUE(synced(dir / kSend));

    w.press("cmdNextQuestion");
    forgetSyncs();
    w.setAnswer("first note");
    w.press("cmd_save_as_notes");
    EXPECT_EQ(w.messages(), Messages{});
    EXPECT_TRUE(synced(dir)) << "the new notes file's entry";
    EXPECT_TRUE(synced(dir / kNotes));
}

// --- The notes file shown -----------------------------------------------------

struct NotesCase {
    const char* what;
    std::optional<std::string> content;  // nothing: no notes file
};

class NotesDisplayTest : public ::testing::TestWithParam<NotesCase> {};

TEST_P(NotesDisplayTest, ShowsWhatThereIsAndWritesNothing) {
    const NotesCase& c = GetParam();
    DrillWindow w;
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    w.press("cmdNextQuestion");  // the question box and responseText now both hold line 3
    if (c.content) writeFile(w.home(kNotes), *c.content);
    const auto before = snapshot(w.drive.root);

    w.press("cmd_display_note_file");
    EXPECT_EQ(w.messages(), Messages{});
    EXPECT_EQ(snapshot(w.drive.root), before);
    if (!c.content) {
        EXPECT_EQ(w.question(), kLine3);
        return;
    }
    // The lines arrive joined, without their line ends.
    std::string joined;
    for (char ch : *c.content)
        if (ch != '\r' && ch != '\n') joined.push_back(ch);
    EXPECT_EQ(w.question(), kLine3 + kLine3 + joined);
}

std::string megabyteOfNotes() {
    std::string s = bigText(1024 * 1024 - 20, 7);
    return s + "\rlone CR\r\nlast line";
}

INSTANTIATE_TEST_SUITE_P(Faults, NotesDisplayTest,
                         ::testing::Values(NotesCase{"Missing", std::nullopt}, NotesCase{"Empty", std::string()},
                                           NotesCase{"OneMegabyte", megabyteOfNotes()}),
                         [](const auto& info) { return std::string(info.param.what); });

// --- Names that make bad file names ----------------------------------------------

struct NameCase {
    const char* what;
    std::string name;
    std::string part;  // what stands for the name in the file names
    int error;         // 0: the files are made
};

class NameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameTest, RecordsUnderTheNameOrSaysWhyNot) {
    const NameCase& c = GetParam();
    DrillWindow w;
    ASSERT_TRUE(w.load("1", c.name, "ALE", "1"));
    w.press("cmdNextQuestion");
    w.setAnswer("ok");
    w.press("cmd_enter_response");

    const std::string master = "masterFile_" + c.part + ".txt", send = "send_1207" + c.part + ".txt";
    if (c.error != 0) {
        EXPECT_EQ(w.messages(), (Messages{messageB(c.error), messageB(c.error)}));
        // Nothing anywhere on the drive: no file escaped the data directory.
        EXPECT_EQ(snapshot(w.drive.root), (std::map<std::string, std::string>{{"tarnholm", "<directory>"}}));
        EXPECT_EQ(w.answer(), "ok");
        return;
    }
    EXPECT_EQ(w.messages(), Messages{});
    const auto files = snapshot(w.drive.root);
    EXPECT_EQ(files.size(), 3u);
    const Header h{c.name, "ALE", "001", "h."};
    const std::string m = readFile(w.home(DrillWindow::onDisk(master)));
    EXPECT_EQ(expectedIn(masterHeader(h) + masterResponse("r", kLine3, "10000", "ok"), m), m);
    const std::string s = readFile(w.home(DrillWindow::onDisk(send)));
    EXPECT_EQ(expectedIn(sendHeader(h) + sendResponse("r", kLine3, "ok"), s), s);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NameTest,
    // Characters that cannot stand in a file name become "_", like blanks,
    // so no name leads outside the data directory.
    ::testing::Values(NameCase{"Backslash", "Ann\\Lee", "Ann_Lee", 0},
                      NameCase{"Slash", "Ann/Lee", "Ann_Lee", 0},
                      NameCase{"UpAndOut", "..\\..\\escaped", ".._.._escaped", 0},
                      NameCase{"Colon", "c:Ann", "c_Ann", 0},
                      NameCase{"Star", "Ann*", "Ann_", 0},
                      NameCase{"Question", "Ann?", "Ann_", 0},
                      NameCase{"Quote", "Ann \"Lee\"", "Ann__Lee_", 0},
                      NameCase{"Angles", "<Ann>", "_Ann_", 0},
                      NameCase{"Bar", "Ann|Lee", "Ann_Lee", 0},
                      NameCase{"TwoBlanks", "Ann  Lee", "Ann__Lee", 0},
                      NameCase{"CodePageLetters", "Zo\xEB \x80\xFF", "Zo\xEB_\x80\xFF", 0},
                      // The five bytes that stand for no character.
                      NameCase{"UndefinedBytes", "Ann\x81\x8D\x8F\x90\x9DLee", "Ann_____Lee", 0},
                      // Too long for a file name.
                      NameCase{"ThreeHundred", std::string(300, 'n'), std::string(300, 'n'), 52},
                      NameCase{"HundredThousand", std::string(100000, 'n'), std::string(100000, 'n'), 52}),
    [](const auto& info) { return std::string(info.param.what); });

// --- Texts outside the code page, and a 10 MB answer ------------------------------

// Pasted into the real input boxes with line breaks: each answer stops at its
// first, as a one-line entry field does, and forges no line of the header.
TEST(StartUpTest, InputBoxesTakeOneLine) {
    DrillWindow w(/*realDialogs=*/true);
    w.driver->answers = {QString("1\n2"), QString("Ann Lee\nInitials:  FORGED"), QString("ALE\r\nX"),
                         QString("1") + QChar(0x2029) + "5"};
    ASSERT_TRUE(w.loadWithDialogs());
    EXPECT_EQ(w.messages(), Messages{});
    const std::string m = readFile(w.home(kMaster));
    EXPECT_EQ(expectedIn(masterHeader(kHeader), m), m);
    const std::string s = readFile(w.home(kSend));
    EXPECT_EQ(expectedIn(sendHeader(kHeader), s), s);
}

// Memory gives out while Qt pastes into the answer box, outside any command:
// message B 7, the box as it was, and the program goes on.
class ExhaustingClipboard : public QMimeData {
public:
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString& format) const override { return format == QStringLiteral("text/plain"); }

protected:
    QVariant retrieveData(const QString&, QMetaType) const override { throw std::bad_alloc(); }
};

TEST(OutOfMemoryTest, APasteThatRunsOutIsMessageB7) {
    DrillWindow w;
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    w.press("cmdNextQuestion");
    w.setAnswer("typed so far");
    QGuiApplication::clipboard()->setMimeData(new ExhaustingClipboard);
    CodePageTextEdit* answer = w.box("txt_answer");
    answer->setFocus();
    QTest::keyClick(answer, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.messages(), Messages{messageB(7)});
    EXPECT_EQ(w.answer(), "typed so far");
    QGuiApplication::clipboard()->clear();
    w.press("cmdNextQuestion");
    EXPECT_EQ(w.question(), kLine3 + kLine5);
}

// The last guard: memory gives out in Qt's own handling of an event, where
// no handler of the program runs.
class ExhaustingFilter : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::User) throw std::bad_alloc();
        return false;
    }
};

TEST(OutOfMemoryTest, InQtsOwnHandlingIsMessageB7) {
    DrillWindow w;
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    QWidget* box = w.find<QWidget>("txt_parameter(0)");
    ExhaustingFilter filter;
    box->installEventFilter(&filter);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(box, &event);
    box->removeEventFilter(&filter);
    EXPECT_EQ(w.messages(), Messages{messageB(7)});
    w.press("cmdNextQuestion");
    EXPECT_EQ(w.question(), kLine3);
}

TEST(CodePageTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    DrillWindow w(/*realDialogs=*/true);
    w.driver->answers = {QString("1"), QString::fromUtf8("Zo\u00EB \u03A9\U0001F600"), QString("Z\u2013L"),
                          QString("1")};
    ASSERT_TRUE(w.loadWithDialogs());
    EXPECT_EQ(w.driver->prompts, (std::vector<std::string>{texts::kPrompt1, texts::kPrompt2, texts::kPrompt3,
                                                            texts::kPrompt4}));
    w.press("cmdNextQuestion");
    w.box("txt_answer")->setPlainText(QString::fromUtf8("\u03A9 \u20AC\u00EB\U0001F600\nline two"));
    w.press("cmd_enter_response");
    EXPECT_EQ(w.messages(), Messages{});

    // An en dash is in the code page (0x96); omega and the emoji are not.
    const Header h{"Zo\xEB ??", "Z\x96L", "001", "h."};
    const std::string m = readFile(w.home(DrillWindow::onDisk("masterFile_Zo\xEB___.txt")));
    EXPECT_EQ(expectedIn(masterHeader(h) + masterResponse("r", kLine3, "10000", "? \x80\xEB?\r\nline two"), m), m);
}

TEST(BigAnswerTest, TenMegabytesPastedAreRecordedWhole) {
    DrillWindow w;
    ASSERT_TRUE(w.load("1", kName, "ALE", "1"));
    w.press("cmdNextQuestion");
    const std::string big = bigText(10 * 1024 * 1024, 3);
    QGuiApplication::clipboard()->setText(toQt(big));
    CodePageTextEdit* answer = w.box("txt_answer");
    answer->selectAll();
    answer->paste();
    w.press("cmd_enter_response");
    EXPECT_EQ(w.messages(), Messages{});
    EXPECT_EQ(w.answer(), "");

    const std::string m = readFile(w.home(kMaster));
    const std::string expected = expectedIn(masterHeader(kHeader) + masterResponse("r", kLine3, "10000", big), m);
    EXPECT_TRUE(expected == m) << "master file of " << m.size() << " bytes, expected " << expected.size();
    const std::string s = readFile(w.home(kSend));
    EXPECT_TRUE(expectedIn(sendHeader(kHeader) + sendResponse("r", kLine3, big), s) == s);

    w.press("cmd_displayCumulativeText");
    EXPECT_TRUE(w.question() == kAnswerSep + big + kQaSep + kLine3);
}

// --- The start-up prompts ------------------------------------------------------------

// Each prompt cancelled in turn, through the real input boxes.
struct CancelCase {
    int cancelled;  // 0 to 3
    bool runs;
    Messages messages;
    Header header;  // when it runs
    std::string master, send;
};

class CancelTest : public ::testing::TestWithParam<CancelCase> {};

TEST_P(CancelTest, EachPromptCancelledInTurn) {
    const CancelCase& c = GetParam();
    DrillWindow w(/*realDialogs=*/true);
    const QString answers[] = {"1", "Ann Lee", "ALE", "1"};
    for (int i = 0; i < 4; ++i) {
        if (i == c.cancelled) w.driver->answers.push_back(std::nullopt);
        else w.driver->answers.push_back(answers[i]);
    }
    EXPECT_EQ(w.loadWithDialogs(), c.runs);
    EXPECT_EQ(w.messages(), c.messages);
    EXPECT_EQ(w.window.programEnded(), !c.runs);
    if (!c.runs) {
        EXPECT_EQ(snapshot(w.drive.root), (std::map<std::string, std::string>{{"tarnholm", "<directory>"}}));
        return;
    }
    const std::string m = readFile(w.home(c.master));
    EXPECT_EQ(expectedIn(masterHeader(c.header), m), m);
    const std::string s = readFile(w.home(c.send));
    EXPECT_EQ(expectedIn(sendHeader(c.header), s), s);
    w.press("cmdNextQuestion");
    EXPECT_EQ(w.question(), kLine3);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CancelTest,
    ::testing::Values(
        CancelCase{0, false, {messageB(13), kMessageA}, {}, {}, {}},
        CancelCase{1, true, {}, Header{"", "ALE", "001", "h."}, "masterFile_.txt", "send_1207.txt"},
        CancelCase{2, true, {}, Header{"Ann Lee", "", "001", "h."}, kMaster, kSend},
        CancelCase{3, false, {kMessageA}, {}, {}, {}}),
    [](const auto& info) { return "Prompt" + std::to_string(info.param.cancelled + 1); });

// The first and the fourth answer, typed in the ways students type them.
enum class Outcome { Home, Network, EndsA, EndsB13A, EndsB6A };

struct StartCase {
    const char* what;
    std::string place;
    std::string assignment;
    Outcome outcome;
};

class StartAnswerTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartAnswerTest, RunsOnTheRightDirectoryOrEndsWithoutWriting) {
    const StartCase& c = GetParam();
    DrillWindow w;
    const fs::path network = w.drive.root / "i" / kNetworkDir;
    fs::create_directories(network);
    setenv("DRILL_DRIVE_I", (w.drive.root / "i").c_str(), 1);
    const auto before = snapshot(w.drive.root);
    const bool runs = c.outcome == Outcome::Home || c.outcome == Outcome::Network;
    EXPECT_EQ(w.load(c.place, kName, "ALE", c.assignment), runs);
    unsetenv("DRILL_DRIVE_I");

    if (!runs) {
        const Messages expected = c.outcome == Outcome::EndsA     ? Messages{kMessageA}
                                  : c.outcome == Outcome::EndsB13A ? Messages{messageB(13), kMessageA}
                                                                  : Messages{messageB(6), kMessageA};
        EXPECT_EQ(w.messages(), expected);
        EXPECT_TRUE(w.window.programEnded());
        // Only the home directory, made at every start, is new.
        auto after = snapshot(w.drive.root);
        EXPECT_EQ(after.erase("tarnholm"), 1u);
        EXPECT_EQ(after, before);
        return;
    }
    EXPECT_EQ(w.messages(), Messages{});
    const fs::path dir = c.outcome == Outcome::Home ? w.home() : network;
    const std::string m = readFile(dir / kMaster);
    EXPECT_EQ(expectedIn(masterHeader(kHeader), m), m);
    EXPECT_EQ(fs::exists(c.outcome == Outcome::Home ? network / kMaster : w.home(kMaster)), false);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StartAnswerTest,
    ::testing::Values(StartCase{"Assignment1", "1", "1", Outcome::Home},
                      StartCase{"Assignment01", "1", "01", Outcome::Home},
                      StartCase{"Assignment001", "1", "001", Outcome::Home},
                      StartCase{"Assignment2", "1", "2", Outcome::EndsA},
                      StartCase{"Assignment1Blank", "1", "1 ", Outcome::EndsA},
                      StartCase{"AssignmentBlank1", "1", " 1", Outcome::EndsA},
                      StartCase{"Assignment12", "1", "12", Outcome::EndsA},
                      StartCase{"Assignment99", "1", "99", Outcome::EndsA},
                      StartCase{"Assignment999", "1", "999", Outcome::EndsA},
                      StartCase{"Assignment0001", "1", "0001", Outcome::EndsA},
                      StartCase{"AssignmentAbc", "1", "abc", Outcome::EndsA},
                      StartCase{"AssignmentEmpty", "1", "", Outcome::EndsA},
                      StartCase{"AssignmentMinus1", "1", "-1", Outcome::EndsA},
                      StartCase{"AssignmentOverflow", "1", "1e999", Outcome::EndsB6A},
                      StartCase{"Place2", "2", "1", Outcome::Network},
                      StartCase{"Place2Blanks", " 2 ", "1", Outcome::Network},
                      StartCase{"Place2Point0", "2.0", "1", Outcome::Network},
                      StartCase{"Place02", "02", "1", Outcome::Network},
                      StartCase{"Place3", "3", "1", Outcome::Home},
                      StartCase{"Place0", "0", "1", Outcome::Home},
                      StartCase{"PlaceMinus2", "-2", "1", Outcome::Home},
                      StartCase{"PlaceEmpty", "", "1", Outcome::EndsB13A},
                      StartCase{"PlaceWord", "two", "1", Outcome::EndsB13A}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace drill::e2e

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    drill::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
