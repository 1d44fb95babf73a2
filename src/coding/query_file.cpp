// The window's codec operations, and the query-file encoder that turns a
// query file in the data directory into its queri file.
#include <string>

#include "coding/codec.h"
#include "drill/drill.h"
#include "pictures/routines.h"
#include "platform/files.h"

namespace drill {

std::string Drill::code(const std::string& line, const float& codeNbr) const {
    return drill::code(line, codeNbr);
}

std::string Drill::decode(const std::string& line, const float& codeNbr) const {
    return drill::decode(line, codeNbr);
}

std::string Drill::makeCodeLine(const float& codeNbr) { return drill::makeCodeLine(codeNbr, random_); }

std::string Drill::remSpaces(const std::string& line) const { return drill::remSpaces(line); }

void Drill::codeFile() {
    const std::string queryName = state_.dataDir + "\\query" + state_.queryFileTag + ".txt";
    const std::string queriName = state_.dataDir + "\\queri" + state_.queryFileTag + ".txt";

    // The key is the length of the first line.
    files_.openInput(1, queryName);
    state_.codeNbr = static_cast<float>(files_.lineInput(1).size());
    files_.closeAll();

    files_.openInput(1, queryName);
    files_.openOutput(2, queriName);
    while (!files_.eof(1)) {
        const std::string line = files_.lineInput(1);
        const std::string kind = lowerCase(line.substr(0, 6));
        if (kind == "assign") {
            files_.print(2, line);
        } else if (kind == "query ") {
            const std::string text = line.size() > 7 ? line.substr(7) : std::string();
            files_.print(2, code(text, state_.codeNbr) + "query");
        } else {
            files_.print(2, code(line, state_.codeNbr));
        }
    }
    // Both channels stay open: the caller closes them.
}

}  // namespace drill
