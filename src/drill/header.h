#pragma once
// The header records: positions the script on the assignment's title line
// and opens the run in the master and send files.
namespace drill {

struct Session;

// Reports its own errors by the error-report rule; an assignment the script
// does not hold ends the program (EndProgram).
void writeHeader(Session& session);

}  // namespace drill
