#pragma once
#include <string>
#include <string_view>

namespace drill {

// Puts a labelled entry in front of the transcript (newest first) in place:
// the transcript may grow to megabytes, so it is not copied into a new string.
inline void prependEntry(std::string& transcript, std::string_view label, std::string_view text) {
    std::string entry;
    entry.reserve(label.size() + text.size());
    entry += label;
    entry += text;
    transcript.insert(0, entry);
}

}  // namespace drill
