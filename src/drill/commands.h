#pragma once
// The student's commands: stepping through the script, recording answers and
// notes, and showing the notes file and the transcript.
namespace drill {

struct Session;

// Reports its own errors by the error-report rule.
void nextQuestion(Session& session);

// These three throw what stops them (RuntimeError) to their caller, with the
// boxes, the transcript and the files as they were.
void enterResponse(Session& session);
void saveAsNotes(Session& session);
void displayNotes(Session& session);

void displayEverything(Session& session);
void clearBox(Session& session);

}  // namespace drill
