#include "coding/query_file.h"

#include "coding/codec.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace drill {

void codeFile(Files& files, const std::string& dataDir, const std::string& queryFileTag, float& codeNbr) {
    const std::string queryName = dataDir + "\\query" + queryFileTag + ".txt";
    const std::string queriName = dataDir + "\\queri" + queryFileTag + ".txt";

    // The key is the length of the first line.
    files.openInput(1, queryName);
    codeNbr = static_cast<float>(files.lineInput(1).size());
    files.closeAll();

    files.openInput(1, queryName);
    files.openOutput(2, queriName);
    while (!files.eof(1)) {
        const std::string line = files.lineInput(1);
        const std::string kind = cp1252::lowerCase(line.substr(0, 6));
        if (kind == "assign") {
            files.print(2, line);
        } else if (kind == "query ") {
            const std::string text = line.size() > 7 ? line.substr(7) : std::string();
            files.print(2, code(text, codeNbr) + "query");
        } else {
            files.print(2, code(line, codeNbr));
        }
    }
    // Both channels stay open: the caller closes them.
}

}  // namespace drill
