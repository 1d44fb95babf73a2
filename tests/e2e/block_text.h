#pragma once
// The answer a copy records as its block n: it names the copy and the block
// on its first line, so that every block in a file can be told apart.
#include <string>

namespace drill::e2e {

inline std::string blockText(const std::string& copy, int n, std::size_t bytes) {
    std::string text = "copy " + copy + " block " + std::to_string(n);
    unsigned x = static_cast<unsigned>(n) * 2654435761u + static_cast<unsigned>(copy.size()) + copy[0];
    while (text.size() < bytes) {
        if (text.size() % 80 == 0) {
            text += "\r\n";
            continue;
        }
        x = x * 1103515245u + 12345u;
        text.push_back(static_cast<char>('a' + (x >> 16) % 26));
    }
    return text;
}

}  // namespace drill::e2e
