#include <string>

#include "drill/drill.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace drill {

void Drill::writeHeader() {
    bool channelsInUse = false;
    try {
        // Position the script on the title line; no such line means the
        // assignment number was not valid, which ends the program (error 9).
        state_.scriptIndex = 0;
        std::string line;
        const std::string title = state_.assignmentNbr + ".";
        while (line.substr(0, 4) != title) {
            ++state_.scriptIndex;
            if (state_.scriptIndex < 0 || state_.scriptIndex >= kScriptSlots) fail(err::SubscriptOutOfRange);
            line = state_.scriptLines[static_cast<std::size_t>(state_.scriptIndex)];
        }
        state_.displayMode = 1;

        channelsInUse = true;
        // Opened once on its own so that the master file exists even when the
        // send file cannot be opened.
        files_.openAppend(kMasterChannel, state_.masterFileName);
        files_.close(kMasterChannel);
        files_.openAppend(kMasterChannel, state_.masterFileName);
        files_.openAppend(kSendChannel, state_.sendFileName);

        const std::string cover = makeCodeLine(state_.codeNbr);
        const float& key = state_.codeNbr;

        // The two blocks differ only in line 6: the send file has a blank
        // between date and time. The clock is read afresh for each block.
        const auto writeBlock = [&](int channel, const char* betweenDateAndTime) {
            files_.print(channel, cover);
            files_.print(channel, code("Student Name:  " + state_.studentName, key));
            files_.print(channel, code("assignment #" + state_.assignmentNbr, key));
            files_.print(channel, code(line, key));
            files_.print(channel, "Initials:  ", Sep::None);
            files_.print(channel, state_.initials);
            const std::string date = clock_.dateText();
            const std::string time = clock_.timeText();
            files_.print(channel, "Date and Time " + date + betweenDateAndTime + time);
        };
        writeBlock(kMasterChannel, "");
        writeBlock(kSendChannel, " ");

        files_.close(kMasterChannel);
        files_.close(kSendChannel);
    } catch (const RuntimeError& error) {
        // Left open, these channels would make the recording commands fail
        // to open them; closing also keeps the lines written before the error.
        if (channelsInUse) {
            closeQuietly(files_, {kMasterChannel, kSendChannel});
        }
        reportError(error);
    }
}

}  // namespace drill
