#pragma once
// The drill: every procedure and command of the window's logic, run against
// the toolkit, the file channels, the clock and the random generator it is
// given. Errors travel as RuntimeError, ending the program as EndProgram; the
// window catches both at its event boundary.
#include <string>

#include "drill/form_state.h"

namespace drill {

class Toolkit;
class Files;
class Clock;
class Random;
class RuntimeError;

// Channels of the three files.
inline constexpr int kMasterChannel = 1;
inline constexpr int kSendChannel = 2;
inline constexpr int kNotesChannel = 3;

class Drill {
public:
    Drill(Toolkit& toolkit, Files& files, Clock& clock, Random& random);

    FormState& state() { return state_; }
    const FormState& state() const { return state_; }
    Files& files() { return files_; }

    // The load event: startUp, then writeHeader.
    void load();

    // Commands, one per wired control.
    void nextQuestion();       // cmdNextQuestion
    void enterResponse();      // cmd_enter_response
    void saveAsNotes();        // cmd_save_as_notes
    void displayNotes();       // cmd_display_note_file
    void displayEverything();  // cmd_displayCumulativeText
    void clearBox();           // cmd_clear_answer_box
    void copyPicture();        // cmd_copy_picture
    void nextPicture();        // cmd_next_picture
    void pendExp();            // cmd_pend_exp
    void tick();               // tmr_pend_exp

    // Public procedures of the window.
    void readNextQuestion();
    void runRoutine(const std::string& routine);
    std::string code(const std::string& line, const float& codeNbr) const;
    std::string decode(const std::string& line, const float& codeNbr) const;
    std::string makeCodeLine(const float& codeNbr);
    std::string remSpaces(const std::string& line) const;
    void codeFile();

    // Error-report rule: 9 shows message A and ends the program; any other
    // number shows message B with the number, and the caller goes on.
    void reportError(const RuntimeError& error);

private:
    void startUp();
    void loadScript();
    void writeHeader();
    std::string nextSentence(const std::string& line);

    friend struct DrillTestAccess;

    Toolkit& toolkit_;
    Files& files_;
    Clock& clock_;
    Random& random_;
    FormState state_;
};

}  // namespace drill
