// The question reader: advances the script to its next non-empty line, logs
// it in the transcript and leaves the text to show in questionText.
#include "drill/reader.h"

#include "drill/form_state.h"
#include "drill/report.h"
#include "drill/session.h"
#include "drill/transcript.h"
#include "pictures/routines.h"
#include "platform/errors.h"
#include "platform/toolkit.h"

namespace drill {

namespace {

constexpr std::string_view kSentenceEnd = ". ";

}  // namespace

void readNextQuestion(Session& session) {
    FormState& s = session.state;
    try {
        if (s.answerPending) session.toolkit.setText(TextBox::Answer, s.answerPrompt);
        s.answerPending = false;

        std::string working;
        if (s.sentenceStart == 0) {
            while (working.empty()) {
                ++s.scriptIndex;
                if (s.scriptIndex < 0 || s.scriptIndex >= kScriptSlots) fail(err::SubscriptOutOfRange);
                working = s.scriptLines[static_cast<std::size_t>(s.scriptIndex)];
                if (!working.empty()) {
                    s.scriptLine = working;
                    prependEntry(s.cumulativeText, s.qaSeparator, s.scriptLine);
                }
            }
            if (!isRoutineLine(working)) s.answerPending = true;
        }

        if (s.displayMode == 1) {
            s.questionText = working;
        } else if (s.displayMode == 2) {
            s.questionText = nextSentence(s, working);
        }

        // The title line of the following assignment: the drill is over.
        if (working.compare(0, 3, s.nextAssignmentNbr) == 0) throw EndProgram{};
    } catch (const RuntimeError& e) {
        reportError(session.toolkit, e.number());
    }
}

// Sentence-at-a-time display. A fresh line (sentenceStart 0) is cut from its
// first character; while a line is in progress the reader hands an empty
// line, and the rest of scriptLine is cut from sentenceStart on. A piece runs
// up to and including the next ". ". The last piece of a line sends
// sentenceStart back to 0 and wants an answer (unless it is a routine line);
// a piece before it does not, so the prompt never lands mid-line.
std::string nextSentence(FormState& s, const std::string& line) {
    const bool fresh = s.sentenceStart == 0;
    const std::string& source = fresh ? line : s.scriptLine;

    std::size_t from = fresh || s.sentenceStart < 1 ? 0 : static_cast<std::size_t>(s.sentenceStart - 1);
    if (from > source.size()) from = source.size();

    const std::size_t stop = source.find(kSentenceEnd, from);
    const std::size_t end = stop == std::string::npos ? source.size() : stop + kSentenceEnd.size();
    std::string piece = source.substr(from, end - from);

    if (end >= source.size()) {
        s.sentenceStart = 0;
        s.answerPending = !isRoutineLine(source);
    } else {
        s.sentenceStart = static_cast<long>(end) + 1;
        s.answerPending = false;
    }
    return piece;
}

}  // namespace drill
