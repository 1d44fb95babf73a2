#pragma once
// Start-up: the four questions, the data directory and file names, the key,
// the assignment numbers and the script.
namespace drill {

struct Session;

// Reports its own errors by the error-report rule; only the end of the
// program (EndProgram) leaves it.
void startUp(Session& session);

}  // namespace drill
