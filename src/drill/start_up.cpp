#include <cmath>
#include <string>
#include <string_view>

#include "drill/drill.h"
#include "drill/texts.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "platform/random.h"
#include "platform/toolkit.h"

namespace drill {

namespace {

// The whole text as a number, blanks around it allowed: the place-of-work
// answer must be a number, so unlike val() nothing else may stand in it.
// Not a number is 13; too large for a double is 6 (from val).
double strictNumber(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) fail(err::TypeMismatch);
    const std::string_view body = text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
    if (decimalNumberLength(body) != body.size()) fail(err::TypeMismatch);
    return val(body);
}

// The student's name as part of a file name: blanks become "_", and so does
// every character that cannot stand in a file name on Windows or Linux, so
// that no name can lead outside the data directory.
std::string namePart(const std::string& name) {
    std::string part = name;
    for (char& c : part) {
        const auto code = static_cast<unsigned char>(c);
        if (code == ' ' || code < 32 || code == 127 || std::string_view("\\/:*?\"<>|").find(c) !=
                                                           std::string_view::npos) {
            c = '_';
        }
    }
    return part;
}

// Characters from a 1-based position, as many as there are.
std::string mid(const std::string& text, std::size_t start, std::size_t count) {
    if (start - 1 >= text.size()) return {};
    return text.substr(start - 1, count);
}

// Assignment numbers are three characters wide; only the length decides.
std::string leftFill(const std::string& number) {
    if (number.size() == 1) return "00" + number;
    if (number.size() == 2) return "0" + number;
    return number;
}

}  // namespace

void Drill::startUp() {
    random_.seed(clock_.secondsSinceMidnight());
    try {
        files_.makeDirectory(texts::kHomeDir);
    } catch (const RuntimeError&) {
        // Already there, or no drive to make it on: the opens report that later.
    }
    try {
        state_.codeNbr = static_cast<float>(std::floor(10.0 * random_.draw() + 19));
        toolkit_.setScale(Panel::Picture1, 1000, 1000);
        toolkit_.setScale(Panel::Picture2, 1000, 1000);

        const std::string place = toolkit_.inputBox(texts::kPrompt1, texts::kCaption);
        state_.dataDir = strictNumber(place) == 2 ? texts::kNetworkDir : texts::kHomeDir;

        state_.studentName = toolkit_.inputBox(texts::kPrompt2, texts::kCaption);
        state_.initials = toolkit_.inputBox(texts::kPrompt3, texts::kCaption);

        const std::string part = namePart(state_.studentName);
        state_.masterFileName = state_.dataDir + texts::kMasterPart + part + texts::kFileEnding;
        const std::string date = clock_.dateText();
        state_.sendFileName =
            state_.dataDir + texts::kSendPart + mid(date, 1, 2) + mid(date, 4, 2) + part + texts::kFileEnding;
        state_.notesFileName = state_.dataDir + texts::kNotesPart + part + texts::kFileEnding;

        state_.assignmentNbr = toolkit_.inputBox(texts::kPrompt4, texts::kCaption);
        state_.answerPrompt = std::string(texts::kInstruction1) + "\r\n\r\n" + texts::kInstruction2;
        state_.qaSeparator = texts::kQaSeparator;
        state_.answerSeparator = texts::kAnswerSeparator;

        state_.assignmentNbr = leftFill(state_.assignmentNbr);
        state_.nextAssignmentNbr = leftFill(numberText(val(state_.assignmentNbr) + 1));

        state_.scriptIndex = 0;
        loadScript();
    } catch (const RuntimeError& error) {
        reportError(error);
    }
}

}  // namespace drill
