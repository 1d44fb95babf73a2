// Number text keeps 15 significant digits: reading it back gives the value
// again to that precision, and the text never carries a zero before the point.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double)) return 0;
    double v;
    std::memcpy(&v, data, sizeof v);
    if (!std::isfinite(v)) return 0;
    std::string text = drill::numberText(v);
    if (text.empty() || text.find(' ') != std::string::npos) std::abort();
    if (text.rfind("0.", 0) == 0 || text.rfind("-0.", 0) == 0) std::abort();
    // Rounded to 15 digits, the largest doubles read back as beyond the range.
    if (std::fabs(v) > 1.79769313486231e308) return 0;
    double back = drill::val(text);
    if (std::fabs(back - v) > 1e-14 * std::fabs(v) + 1e-300) std::abort();
    std::string item = drill::numberItem(v);
    if (item.size() < 2 || item.back() != ' ') std::abort();
    return 0;
}
