#pragma once
// Windows-1252, the code page of every text and file of the system.
#include <cstdint>
#include <string>
#include <string_view>

namespace drill::cp1252 {

// Unicode code point of a code-page byte. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same value.
char32_t toUnicode(unsigned char byte);

// Code-page byte of a code point, or '?' when the code page lacks it.
unsigned char fromUnicode(char32_t codePoint);

// Whole texts to and from UTF-8 (used for file-system paths).
std::string toUtf8(std::string_view text);
std::string fromUtf8(std::string_view utf8);

// Whole texts to and from UTF-16, as Windows takes them (file names, and the
// Windows window's texts). A surrogate pair, a character outside the code
// page, is one '?', as is a lone surrogate.
std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view utf16);

// Lower case in the code page: the ASCII letters, the Latin-1 capitals (but
// the multiplication sign) and the four capitals among 80 to 9F.
unsigned char lowerByte(unsigned char byte);
std::string lowerCase(std::string text);

}  // namespace drill::cp1252
