#pragma once
// The state every command shares; owned by the window, lives as long as it.
// Variant fields are held as plain numbers: an empty variant counts as 0, and
// no behaviour of the program tells an empty one from 0.
#include <string>
#include <vector>

namespace drill {

inline constexpr int kScriptSlots = 5001;  // indices 0..5000

struct FormState {
    std::string questionText;
    long sentenceStart = 0;
    bool answerPending = false;
    std::string scriptLine;
    std::string masterFileName;
    std::string sendFileName;
    std::string notesFileName;
    std::string assignmentNbr;
    std::string nextAssignmentNbr;
    std::string answerPrompt;
    long displayMode = 0;
    std::string questionNbr;
    std::string responseText;
    std::string cumulativeText;
    std::string qaSeparator;
    std::string answerSeparator;
    std::string queryFileTag;  // never assigned
    std::string dataDir;
    long scriptIndex = 0;
    std::vector<std::string> scriptLines = std::vector<std::string>(kScriptSlots);
    std::string studentName;
    float codeNbr = 0;
    std::string initials;
};

}  // namespace drill
