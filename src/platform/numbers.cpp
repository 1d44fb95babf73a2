#include "platform/numbers.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#ifndef _WIN32
#include <locale.h>
#endif

#include "platform/errors.h"

namespace drill {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Numbers in answers and records always use the point. Qt sets the user's
// locale, so conversions there go through the "C" locale. The Windows program
// never sets one, and its C library's own conversions (mingw-w64's, correctly
// rounded) read in "C".
#ifdef _WIN32
double toDouble(const std::string& text) { return std::strtod(text.c_str(), nullptr); }
#else
double toDouble(const std::string& text) {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(text.c_str(), nullptr, loc);
}
#endif

}  // namespace

std::size_t decimalNumberLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t expStart = j;
        while (j < s.size() && isDigit(s[j])) ++j;
        if (j > expStart) return j;  // "1e" and "1e+" are just 1
    }
    return i;
}

double val(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ') s.push_back(c);
    const std::size_t end = decimalNumberLength(s);
    if (end == 0) return 0.0;
    s.resize(end);
    const double v = toDouble(s);
    if (std::isinf(v)) throw RuntimeError(err::Overflow);
    return v;
}

std::string numberText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    if (value == 0.0) return "0";

    // Fifteen significant digits, rounded once by the C library.
    char buf[64];
    snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string digits;
    const char* p = buf;
    for (; *p != 'e' && *p != '\0'; ++p)
        if (isDigit(*p)) digits.push_back(*p);
    int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    if (exponent >= 15 || exponent < -15) {
        out += digits[0];
        if (digits.size() > 1) out.append(".").append(digits, 1);
        // Exponents here have two digits or more, as the form wants.
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
    } else if (exponent >= 0) {
        std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole).append(".").append(digits, whole);
        }
    } else {
        out.append(".").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
    }
    return out;
}

std::string numberItem(double value) {
    std::string item = value >= 0 ? " " : "";
    item.append(numberText(value)).append(" ");
    return item;
}

double roundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace drill
