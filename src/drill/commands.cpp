// The student's commands: stepping through the script, recording answers and
// notes, and showing the notes file and the transcript.
#include <cmath>
#include <string_view>

#include "drill/drill.h"
#include "drill/transcript.h"
#include "pictures/routines.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "platform/toolkit.h"

namespace drill {

namespace {

constexpr std::string_view kBangRule = "......!!!!!!!!...................................";
constexpr std::string_view kDotRule = ".................................................";
constexpr std::string_view kClockIndent = "                                    ";  // 36 blanks
constexpr std::string_view kQuestionNumber = "\r\n\r\n`questionNumber";
constexpr std::string_view kResponseLabel = "RESPONSE -->  ";
constexpr std::string_view kNotesPrefix = "NOTES -------> ";

// An answer box still holding the untouched prompt records nothing: both
// boxes are emptied and the command stops.
bool dismissedPrompt(Toolkit& toolkit, const std::string& answer, const std::string& prompt) {
    if (answer != prompt) return false;
    toolkit.setText(TextBox::Question, "");
    toolkit.setText(TextBox::Answer, "");
    return true;
}

}  // namespace

void Drill::nextQuestion() {
    FormState& s = state_;
    try {
        readNextQuestion();
        if (s.questionText.size() > 8 && isRoutineLine(s.questionText)) {
            runRoutine(routineName(s.questionText));
            s.questionText.clear();
            // At most one routine line is acted on per press: whatever comes
            // next is shown, even another routine line.
            readNextQuestion();
        }
        std::string box = toolkit_.text(TextBox::Question);
        box.reserve(box.size() + s.questionText.size());  // the box may hold megabytes
        box += s.questionText;
        s.responseText = std::move(box);
        s.questionText.clear();
        toolkit_.setText(TextBox::Question, s.responseText);
    } catch (const RuntimeError& e) {
        reportError(e);
    }
}

void Drill::enterResponse() {
    FormState& s = state_;
    const std::string answer = toolkit_.text(TextBox::Answer);
    if (dismissedPrompt(toolkit_, answer, s.answerPrompt)) return;

    constexpr int both[] = {kMasterChannel, kSendChannel};
    try {
        files_.openAppend(kMasterChannel, s.masterFileName);
        files_.openAppend(kSendChannel, s.sendFileName);
        s.responseText = answer;

        for (int ch : both) files_.print(ch, kBangRule);
        for (int ch : both) files_.print(ch, std::string(kClockIndent) + clock_.timeText());

        const double number = val(s.assignmentNbr) * 10000.0 + val(s.questionNbr);
        if (!std::isfinite(number)) fail(err::Overflow);
        files_.print(kMasterChannel, kQuestionNumber, Sep::None);
        files_.printNumber(kMasterChannel, number, Sep::LineEnd);

        for (int ch : both) files_.print(ch, code(s.scriptLine, s.codeNbr));
        for (int ch : both) files_.print(ch, kBangRule);
        for (int ch : both) files_.print(ch, kResponseLabel);
        for (int ch : both) files_.print(ch, code(s.responseText, s.codeNbr));
        for (int ch : both) files_.print(ch, kDotRule);

        // Closing puts the block on disk; a failure there is a failure to record.
        files_.close(kMasterChannel);
        files_.close(kSendChannel);
    } catch (...) {
        // What reached the disk stays; the channels must not stay open, or
        // every later recording would fail on them.
        discardAll(files_, {kMasterChannel, kSendChannel});
        throw;
    }

    // Only a recorded answer clears the boxes: after a failure the student's
    // text is still there to record again.
    s.answerPending = false;
    prependEntry(s.cumulativeText, s.answerSeparator, answer);
    toolkit_.setText(TextBox::Question, "");
    toolkit_.setText(TextBox::Answer, "");
}

void Drill::saveAsNotes() {
    FormState& s = state_;
    const std::string answer = toolkit_.text(TextBox::Answer);
    if (dismissedPrompt(toolkit_, answer, s.answerPrompt)) return;

    s.responseText = std::string(kNotesPrefix) + answer;

    constexpr int all[] = {kMasterChannel, kSendChannel, kNotesChannel};
    try {
        for (int ch : all) files_.close(ch);
        files_.openAppend(kMasterChannel, s.masterFileName);
        files_.openAppend(kSendChannel, s.sendFileName);
        files_.openAppend(kNotesChannel, s.notesFileName);

        for (int ch : all) files_.print(ch, kBangRule);
        for (int ch : all) files_.print(ch, std::string(kClockIndent) + clock_.timeText());
        for (int ch : all) {
            std::string line(kClockIndent);
            line += clock_.dateText();
            line += clock_.timeText();
            files_.print(ch, line);
        }
        for (int ch : all) files_.print(ch, code(s.scriptLine, s.codeNbr));
        for (int ch : all) files_.print(ch, kBangRule);
        for (int ch : all) files_.print(ch, code(s.responseText, s.codeNbr));
        // The send and notes files leave this line open at the next print
        // zone; whatever is appended next continues it.
        files_.print(kMasterChannel, kDotRule, Sep::LineEnd);
        files_.print(kSendChannel, kDotRule, Sep::Zone);
        files_.print(kNotesChannel, kDotRule, Sep::Zone);

        for (int ch : all) files_.close(ch);
    } catch (...) {
        discardAll(files_, {kMasterChannel, kSendChannel, kNotesChannel});
        throw;
    }

    s.answerPending = false;
    prependEntry(s.cumulativeText, s.answerSeparator, s.responseText);
    toolkit_.setText(TextBox::Question, "");
    toolkit_.setText(TextBox::Answer, "");
}

void Drill::displayNotes() {
    FormState& s = state_;
    files_.close(kNotesChannel);
    try {
        files_.openInput(kNotesChannel, s.notesFileName);
    } catch (const RuntimeError& e) {
        files_.close(kNotesChannel);
        // No note saved yet: there is nothing to show.
        if (e.number() == err::FileNotFound) return;
        throw;
    }

    // Read everything before changing anything, so a failed read leaves the
    // box and responseText as they were.
    std::string notes;
    try {
        while (!files_.eof(kNotesChannel)) notes += files_.lineInput(kNotesChannel);
        files_.close(kNotesChannel);
    } catch (...) {
        closeQuietly(files_, {kNotesChannel});
        throw;
    }

    s.responseText += notes;
    std::string box = toolkit_.text(TextBox::Question);
    box += s.responseText;
    toolkit_.setText(TextBox::Question, box);
}

void Drill::displayEverything() { toolkit_.setText(TextBox::Question, state_.cumulativeText); }

void Drill::clearBox() { toolkit_.setText(TextBox::Answer, ""); }

}  // namespace drill
