#include "drill/header.h"

#include <string>

#include "coding/codec.h"
#include "drill/form_state.h"
#include "drill/report.h"
#include "drill/session.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace drill {

void writeHeader(Session& session) {
    FormState& state = session.state;
    Files& files = session.files;
    try {
        // Position the script on the title line; no such line means the
        // assignment number was not valid, which ends the program (error 9).
        state.scriptIndex = 0;
        std::string line;
        const std::string title = state.assignmentNbr + ".";
        while (line.substr(0, 4) != title) {
            ++state.scriptIndex;
            if (state.scriptIndex < 0 || state.scriptIndex >= kScriptSlots) fail(err::SubscriptOutOfRange);
            line = state.scriptLines[static_cast<std::size_t>(state.scriptIndex)];
        }
        state.displayMode = 1;

        // A block that a killed run left part way is finished (or cut back)
        // before this run's header goes after it. Whatever it says is told
        // on its own, and the header is written all the same.
        try {
            files.finishLeftBlocks();
        } catch (const RuntimeError& error) {
            reportError(session.toolkit, error.number());
        }

        // Opened once on its own so that the master file exists even when the
        // send file cannot be opened.
        ChannelGroup create(files);
        create.openAppend(kMasterChannel, state.masterFileName);
        create.commit();
        // A failure below releases both channels and leaves both files as
        // they were before the report is shown.
        ChannelGroup group(files);
        group.openAppend(kMasterChannel, state.masterFileName);
        group.openAppend(kSendChannel, state.sendFileName);

        const std::string cover = makeCodeLine(state.codeNbr, session.random);
        const float& key = state.codeNbr;

        // The two blocks differ only in line 6: the send file has a blank
        // between date and time. The clock is read afresh for each block.
        const auto writeBlock = [&](int channel, const char* betweenDateAndTime) {
            files.print(channel, cover);
            files.print(channel, code("Student Name:  " + state.studentName, key));
            files.print(channel, code("assignment #" + state.assignmentNbr, key));
            files.print(channel, code(line, key));
            files.print(channel, "Initials:  ", Sep::None);
            files.print(channel, state.initials);
            const std::string date = session.clock.dateText();
            const std::string time = session.clock.timeText();
            files.print(channel, "Date and Time " + date + betweenDateAndTime + time);
        };
        writeBlock(kMasterChannel, "");
        writeBlock(kSendChannel, " ");

        // The header reaches both files or neither.
        group.commit();
    } catch (const RuntimeError& error) {
        reportError(session.toolkit, error.number());
    }
}

}  // namespace drill
