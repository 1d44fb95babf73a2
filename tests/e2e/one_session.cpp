#include "one_session.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/codepage.h"

namespace drill::e2e::one_session {

namespace {

using namespace block;

Record notesOf(NotesFile file) { return notes(file, "b2", kLine5, kNote); }

}  // namespace

// After the note, the box is empty and responseText holds the note with its
// prefix; the notes file's lines come after it, joined.
Record shownNotes() { return Record("NOTES -------> " + kNote) + notesOf(NotesFile::Notes).joinedLines(); }

Record shownTranscript() {
    return Record(kAnswerSep + "NOTES -------> " + kNote + kQaSep + kLine5 + kAnswerSep + kAnswer + kQaSep + kLine3);
}

void expectFiles(const std::filesystem::path& dataDir, const std::set<std::string>& dates) {
    const Header h{kName, kInitials, "001", "r."};
    const Record master = masterHeader(h) + masterResponse("b1", kLine3, "10000", kAnswer) + notesOf(NotesFile::Master);
    const Record send = sendHeader(h) + sendResponse("b1", kLine3, kAnswer) + notesOf(NotesFile::Send);
    const Record notesFile = notesOf(NotesFile::Notes);
    Fields fields;
    fields.allowedDates = dates;
    const std::string utf8 = cp1252::toUtf8(kFileName);
    const auto file = [&](const std::string& name) {
        return testing::readFile(dataDir / std::filesystem::path(std::u8string(name.begin(), name.end())));
    };

    const std::string masterBytes = file("masterFile_" + utf8 + ".txt");
    EXPECT_EQ(expectedBytes(master, masterBytes, 0, fields), masterBytes);
    // The send file is named after the month and day the session started.
    const std::string date = fields.values["r.master.date"];
    ASSERT_TRUE(isDate(date)) << "no date read from the master file";
    const std::string sendName = "send_" + date.substr(0, 2) + date.substr(3, 2) + utf8 + ".txt";
    const std::string sendBytes = file(sendName);
    EXPECT_EQ(expectedBytes(send, sendBytes, 0, fields), sendBytes);
    const std::string notesBytes = file("notes_" + utf8 + ".txt");
    EXPECT_EQ(expectedBytes(notesFile, notesBytes, 0, fields), notesBytes);

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir)) {
        const std::u8string name = entry.path().filename().u8string();
        names.insert(std::string(name.begin(), name.end()));
    }
    EXPECT_EQ(names, (std::set<std::string>{"masterFile_" + utf8 + ".txt", sendName, "notes_" + utf8 + ".txt"}));
}

}  // namespace drill::e2e::one_session
