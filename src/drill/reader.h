#pragma once
// The question reader: advances the script to its next non-empty line, logs
// it in the transcript and leaves the text to show in questionText.
#include <string>

namespace drill {

struct FormState;
struct Session;

// Reports its own errors by the error-report rule; the end of the assignment
// and error 9 end the program (EndProgram).
void readNextQuestion(Session& session);

// Sentence-at-a-time display: the next piece of the line to show.
std::string nextSentence(FormState& state, const std::string& line);

}  // namespace drill
