// Val must never crash: it gives a finite number or reports overflow (6).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/errors.h"
#include "platform/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        double v = drill::val(text);
        if (!std::isfinite(v)) std::abort();
    } catch (const drill::RuntimeError& e) {
        if (e.number() != 6) std::abort();
    }
    return 0;
}
