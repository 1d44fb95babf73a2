#pragma once
// One session of a student as the Windows tests drive it, in-process and as
// the real program: the four prompts, the first question, an answer over two
// lines, the next question, a note, display notes, display everything, quit.
// What the session shows and the files it leaves, built from the record
// formats and shared by every test that drives it.
#include <filesystem>
#include <set>
#include <string>

#include "records.h"

namespace drill::e2e::one_session {

// Texts in the code page.
inline const std::string kName = "Zo\xEB Lee";
inline const std::string kFileName = "Zo\xEB_Lee";
inline const std::string kInitials = "ZL";
inline const std::string kAnswer = "The level rises at first\r\nthen it slows down.";
// As the student types it (UTF-8, a line break is the Return key), and as
// it is recorded: the omega is not in the code page.
inline const std::string kTypedNote = "Sketch it first: \u00EB and \u20AC stay, \u03A9 does not.";
inline const std::string kNote = "Sketch it first: \xEB and \x80 stay, ? does not.";

// The question box after display notes, and after display everything.
Record shownNotes();
Record shownTranscript();

// Compares the three files in the data directory byte for byte with what
// the session leaves, dates on one of `dates` (any valid date when empty),
// and checks that nothing else is there (GoogleTest expectations).
void expectFiles(const std::filesystem::path& dataDir, const std::set<std::string>& dates);

}  // namespace drill::e2e::one_session
