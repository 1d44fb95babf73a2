#include "drill/drill.h"

#include "coding/codec.h"
#include "coding/query_file.h"
#include "drill/commands.h"
#include "drill/form_state.h"
#include "drill/header.h"
#include "drill/reader.h"
#include "drill/report.h"
#include "drill/script.h"
#include "drill/start_up.h"
#include "pictures/panels.h"

namespace drill {

void Drill::load() {
    // Each procedure reports its own errors, so the header is written even
    // after start-up stopped early; only EndProgram stops the sequence.
    startUp(session_);
    writeHeader(session_);
}

void Drill::nextQuestion() { drill::nextQuestion(session_); }
void Drill::enterResponse() { drill::enterResponse(session_); }
void Drill::saveAsNotes() { drill::saveAsNotes(session_); }
void Drill::displayNotes() { drill::displayNotes(session_); }
void Drill::displayEverything() { drill::displayEverything(session_); }
void Drill::clearBox() { drill::clearBox(session_); }
void Drill::copyPicture() { drill::copyPicture(session_.toolkit); }
void Drill::nextPicture() { drill::nextPicture(session_.state); }
void Drill::pendExp() { startExperiment(session_.toolkit); }
void Drill::tick() { experimentTick(session_.toolkit, session_.random); }

void Drill::readNextQuestion() { drill::readNextQuestion(session_); }
void Drill::runRoutine(const std::string& routine) { drill::runRoutine(routine); }

std::string Drill::code(const std::string& line, const float& codeNbr) const {
    return drill::code(line, codeNbr);
}

std::string Drill::decode(const std::string& line, const float& codeNbr) const {
    return drill::decode(line, codeNbr);
}

std::string Drill::makeCodeLine(const float& codeNbr) { return drill::makeCodeLine(codeNbr, session_.random); }

std::string Drill::remSpaces(const std::string& line) const { return drill::remSpaces(line); }

void Drill::codeFile() {
    FormState& s = session_.state;
    drill::codeFile(session_.files, s.dataDir, s.queryFileTag, s.codeNbr);
}

void Drill::reportError(int number) { drill::reportError(session_.toolkit, number); }

}  // namespace drill
