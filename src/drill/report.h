#pragma once
// The error-report rule, the one place that tells the student of a failure.
#include <string>

namespace drill {

class Toolkit;

// Message B with the error number after it.
std::string messageB(int number);

// Error 9 shows message A and then ends the program (throws EndProgram); any
// other number shows message B with the number, and the caller goes on.
void reportError(Toolkit& toolkit, int number);

}  // namespace drill
