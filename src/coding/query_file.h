#pragma once
// The query-file encoder: turns the query file of a data directory into its
// queri file beside it.
#include <string>

namespace drill {

class Files;

// Reads dataDir\query<tag>.txt on channel 1 and writes dataDir\queri<tag>.txt
// on channel 2; the key becomes the length of the query file's first line.
// Both channels are left open; a failure is thrown to the caller.
void codeFile(Files& files, const std::string& dataDir, const std::string& queryFileTag, float& codeNbr);

}  // namespace drill
