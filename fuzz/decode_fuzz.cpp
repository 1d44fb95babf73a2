// decode and remSpaces never crash; decode either fails with invalid argument
// (5) or drops characters, remSpaces removes exactly the blanks and hyphens.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "coding/codec.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const float key = static_cast<float>(data[0] % 40);  // covers 19..28 and beyond
    std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        std::string out = drill::decode(line, key);
        if (out.size() > line.size()) std::abort();
    } catch (const drill::RuntimeError& e) {
        if (e.number() != 5) std::abort();
    }
    std::string kept = drill::remSpaces(line);
    auto removed = std::count(line.begin(), line.end(), ' ') + std::count(line.begin(), line.end(), '-');
    if (kept.size() + static_cast<std::size_t>(removed) != line.size()) std::abort();
    if (kept.find_first_of(" -") != std::string::npos) std::abort();
    return 0;
}
