// The student's commands: stepping through the script, recording answers and
// notes, and showing the notes file and the transcript.
#include <cmath>
#include <optional>
#include <string_view>

#include "drill/commands.h"

#include "coding/codec.h"
#include "drill/form_state.h"
#include "drill/reader.h"
#include "drill/report.h"
#include "drill/script.h"
#include "drill/session.h"
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

// The first steps of both recording commands: the text of the answer box
// to record, or nothing when it still holds the untouched prompt (both boxes
// are then emptied). The question's answer is no longer owed from here on,
// before any file is touched: should the recording fail, the next question
// must not put the prompt over the answer still in the box.
std::optional<std::string> answerToRecord(Session& session) {
    std::string answer = session.toolkit.text(TextBox::Answer);
    if (answer == session.state.answerPrompt) {
        session.toolkit.setText(TextBox::Question, "");
        session.toolkit.setText(TextBox::Answer, "");
        return std::nullopt;
    }
    session.state.answerPending = false;
    return answer;
}

// Only a recorded text clears the boxes, after it reached its files: after
// a failure the student's text is still there to record again.
void recorded(Session& session, const std::string& entry) {
    prependEntry(session.state.cumulativeText, session.state.answerSeparator, entry);
    session.toolkit.setText(TextBox::Question, "");
    session.toolkit.setText(TextBox::Answer, "");
}

}  // namespace

void nextQuestion(Session& session) {
    FormState& s = session.state;
    Toolkit& toolkit = session.toolkit;
    try {
        readNextQuestion(session);
        if (s.questionText.size() > 8 && isRoutineLine(s.questionText)) {
            runRoutine(routineName(s.questionText));
            s.questionText.clear();
            // At most one routine line is acted on per press: whatever comes
            // next is shown, even another routine line.
            readNextQuestion(session);
        }
        std::string box = toolkit.text(TextBox::Question);
        box.reserve(box.size() + s.questionText.size());  // the box may hold megabytes
        box += s.questionText;
        s.responseText = std::move(box);
        s.questionText.clear();
        toolkit.setText(TextBox::Question, s.responseText);
    } catch (const RuntimeError& e) {
        reportError(toolkit, e.number());
    }
}

void enterResponse(Session& session) {
    FormState& s = session.state;
    Files& files = session.files;
    const std::optional<std::string> answer = answerToRecord(session);
    if (!answer) return;

    ChannelGroup group(files);
    group.openAppend(kMasterChannel, s.masterFileName);
    group.openAppend(kSendChannel, s.sendFileName);
    s.responseText = *answer;

    constexpr int both[] = {kMasterChannel, kSendChannel};
    for (int ch : both) files.print(ch, kBangRule);
    for (int ch : both) files.print(ch, std::string(kClockIndent) + session.clock.timeText());

    const double number = val(s.assignmentNbr) * 10000.0 + val(s.questionNbr);
    if (!std::isfinite(number)) fail(err::Overflow);
    files.print(kMasterChannel, kQuestionNumber, Sep::None);
    files.printNumber(kMasterChannel, number, Sep::LineEnd);

    for (int ch : both) files.print(ch, code(s.scriptLine, s.codeNbr));
    for (int ch : both) files.print(ch, kBangRule);
    for (int ch : both) files.print(ch, kResponseLabel);
    for (int ch : both) files.print(ch, code(s.responseText, s.codeNbr));
    for (int ch : both) files.print(ch, kDotRule);
    // The block reaches both files or neither.
    group.commit();

    recorded(session, *answer);
}

void saveAsNotes(Session& session) {
    FormState& s = session.state;
    Files& files = session.files;
    const std::optional<std::string> answer = answerToRecord(session);
    if (!answer) return;

    s.responseText = std::string(kNotesPrefix) + *answer;

    constexpr int all[] = {kMasterChannel, kSendChannel, kNotesChannel};
    // Channels another operation left open are closed as they are, with
    // what they hold; only what this command opens is its own.
    for (int ch : all) files.close(ch);
    ChannelGroup group(files);
    group.openAppend(kMasterChannel, s.masterFileName);
    group.openAppend(kSendChannel, s.sendFileName);
    group.openAppend(kNotesChannel, s.notesFileName);

    for (int ch : all) files.print(ch, kBangRule);
    for (int ch : all) files.print(ch, std::string(kClockIndent) + session.clock.timeText());
    for (int ch : all) {
        std::string line(kClockIndent);
        line += session.clock.dateText();
        line += session.clock.timeText();
        files.print(ch, line);
    }
    for (int ch : all) files.print(ch, code(s.scriptLine, s.codeNbr));
    for (int ch : all) files.print(ch, kBangRule);
    for (int ch : all) files.print(ch, code(s.responseText, s.codeNbr));
    // The send and notes files leave this line open at the next print
    // zone; whatever is appended next continues it.
    files.print(kMasterChannel, kDotRule, Sep::LineEnd);
    files.print(kSendChannel, kDotRule, Sep::Zone);
    files.print(kNotesChannel, kDotRule, Sep::Zone);
    group.commit();
    recorded(session, s.responseText);
}

void displayNotes(Session& session) {
    FormState& s = session.state;
    Toolkit& toolkit = session.toolkit;
    Files& files = session.files;
    files.close(kNotesChannel);
    ChannelGroup group(files);
    try {
        group.openInput(kNotesChannel, s.notesFileName);
    } catch (const RuntimeError& e) {
        // No note saved yet: there is nothing to show.
        if (e.number() == err::FileNotFound) return;
        throw;
    }

    // Read everything before changing anything, so a failed read leaves the
    // box and responseText as they were.
    std::string notes;
    while (!files.eof(kNotesChannel)) notes += files.lineInput(kNotesChannel);
    group.commit();

    s.responseText += notes;
    std::string box = toolkit.text(TextBox::Question);
    box += s.responseText;
    toolkit.setText(TextBox::Question, box);
}

void displayEverything(Session& session) {
    session.toolkit.setText(TextBox::Question, session.state.cumulativeText);
}

void clearBox(Session& session) { session.toolkit.setText(TextBox::Answer, ""); }

}  // namespace drill
