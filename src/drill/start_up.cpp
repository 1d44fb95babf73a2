#include <cmath>
#include <string>
#include <string_view>

#include "drill/start_up.h"

#include "drill/form_state.h"
#include "drill/report.h"
#include "drill/script.h"
#include "drill/session.h"
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
// every character that cannot stand in a file name on Windows or Linux (and
// the five bytes the code page leaves without a character), so that no name
// can lead outside the data directory.
std::string namePart(const std::string& name) {
    constexpr std::string_view kNotInNames = "\\/:*?\"<>|\x81\x8D\x8F\x90\x9D";
    std::string part = name;
    for (char& c : part) {
        const auto code = static_cast<unsigned char>(c);
        if (code == ' ' || code < 32 || code == 127 || kNotInNames.find(c) != std::string_view::npos) c = '_';
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

void startUp(Session& session) {
    FormState& state = session.state;
    Toolkit& toolkit = session.toolkit;
    session.random.seed(session.clock.secondsSinceMidnight());
    try {
        session.files.makeDirectory(texts::kHomeDir);
    } catch (const RuntimeError&) {
        // Already there, or no drive to make it on: the opens report that later.
    }
    try {
        state.codeNbr = static_cast<float>(std::floor(10.0 * session.random.draw() + 19));
        toolkit.setScale(Panel::Picture1, 1000, 1000);
        toolkit.setScale(Panel::Picture2, 1000, 1000);

        const std::string place = toolkit.inputBox(texts::kPrompt1, texts::kCaption);
        state.dataDir = strictNumber(place) == 2 ? texts::kNetworkDir : texts::kHomeDir;

        state.studentName = toolkit.inputBox(texts::kPrompt2, texts::kCaption);
        state.initials = toolkit.inputBox(texts::kPrompt3, texts::kCaption);

        const std::string part = namePart(state.studentName);
        state.masterFileName = state.dataDir + texts::kMasterPart + part + texts::kFileEnding;
        const std::string date = session.clock.dateText();
        state.sendFileName =
            state.dataDir + texts::kSendPart + mid(date, 1, 2) + mid(date, 4, 2) + part + texts::kFileEnding;
        state.notesFileName = state.dataDir + texts::kNotesPart + part + texts::kFileEnding;

        state.assignmentNbr = toolkit.inputBox(texts::kPrompt4, texts::kCaption);
        state.answerPrompt = std::string(texts::kInstruction1) + "\r\n\r\n" + texts::kInstruction2;
        state.qaSeparator = texts::kQaSeparator;
        state.answerSeparator = texts::kAnswerSeparator;

        state.assignmentNbr = leftFill(state.assignmentNbr);
        state.nextAssignmentNbr = leftFill(numberText(val(state.assignmentNbr) + 1));

        state.scriptIndex = 0;
        loadScript(state);
    } catch (const RuntimeError& error) {
        reportError(toolkit, error.number());
    }
}

}  // namespace drill
