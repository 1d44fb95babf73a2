#pragma once
// The drill: the procedures and commands of the window's logic, run against
// the session it is given. Errors that a command does not report itself
// travel as RuntimeError, the end of the program as EndProgram; the window
// catches both at its event boundary.
#include <string>

#include "drill/session.h"

namespace drill {

class Drill {
public:
    explicit Drill(const Session& session) : session_(session) {}

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

    // Reports a failure that escaped a command, by the error-report rule:
    // 9 shows message A and ends the program, any other number message B.
    void reportError(int number);

private:
    Session session_;
};

}  // namespace drill
