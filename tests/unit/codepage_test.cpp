#include "platform/codepage.h"

#include <string>

#include <gtest/gtest.h>

namespace drill {
namespace {

TEST(CodePage, ByteToUnicode) {
    const std::pair<unsigned char, char32_t> cases[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081},
        {0x82, 0x201A}, {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090},
        {0x92, 0x2019}, {0x96, 0x2013}, {0x99, 0x2122}, {0x9D, 0x009D}, {0x9F, 0x0178},
        {0xA0, 0x00A0}, {0xEB, 0x00EB}, {0xFF, 0x00FF},
    };
    for (auto [byte, cp] : cases) EXPECT_EQ(cp1252::toUnicode(byte), cp) << int(byte);
}

TEST(CodePage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(cp1252::fromUnicode(cp1252::toUnicode(static_cast<unsigned char>(b))), b) << b;
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(all)), all);
    EXPECT_EQ(cp1252::fromUtf16(cp1252::toUtf16(all)), all);
    EXPECT_EQ(cp1252::toUtf16("Zo\xEB \x80"), u"Zo\u00EB \u20AC");
}

TEST(CodePage, LowerCase) {
    EXPECT_EQ(cp1252::lowerCase("AbC-Z09`"), "abc-z09`");
    // A grave, Y acute, S caron, OE, Z caron, Y diaeresis lower; the
    // multiplication sign and sharp s have no lower case.
    EXPECT_EQ(cp1252::lowerCase("\xC0\xDD\x8A\x8C\x8E\x9F\xD7\xDF"), "\xE0\xFD\x9A\x9C\x9E\xFF\xD7\xDF");
}

TEST(CodePage, CodePointsOutsideTheCodePageBecomeQuestionMarks) {
    // U+0080 and U+009F are C1 controls whose bytes the code page gives to other characters.
    for (char32_t cp : {char32_t{0x80}, char32_t{0x9F}, char32_t{0x100}, char32_t{0x4E2D},
                        char32_t{0xFFFD}, char32_t{0x1F600}, char32_t{0x110000}})
        EXPECT_EQ(cp1252::fromUnicode(cp), '?') << std::hex << static_cast<unsigned>(cp);
}

TEST(CodePage, ToUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Ann Lee", "Ann Lee"},
        {"Zo\xEB", "Zo\xC3\xAB"},
        {"\x80", "\xE2\x82\xAC"},
        {"\x9F", "\xC5\xB8"},
        {"\x81", "\xC2\x81"},
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(cp1252::toUtf8(in), out) << in;
}

TEST(CodePage, FromUtf8ReplacesEachBrokenSequence) {
    const std::pair<std::string, std::string> cases[] = {
        {"Zo\xC3\xAB", "Zo\xEB"},
        {"\xE2\x82\xAC", "\x80"},
        {"\xF0\x9F\x98\x80", "?"},        // valid, but not in the code page
        {"\xFF", "?"},                    // never a lead byte
        {"\xAB", "?"},                    // lone continuation byte
        {"a\xC3", "a?"},                  // cut off at the end
        {"\xC3(", "?("},                  // broken by an ASCII byte, which survives
        {"\xE2\x82X", "?X"},              // broken after two bytes: one '?'
        {"\xC0\xAF", "??"},               // overlong slash
        {"\xE0\x80\xAF", "???"},          // overlong three-byte form
        {"\xED\xA0\x80", "???"},          // UTF-16 surrogate
        {"\xF4\x90\x80\x80", "????"},     // above U+10FFFF
        {"\xC3\xC3\xAB", "?\xEB"},        // a new lead byte restarts decoding
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(cp1252::fromUtf8(in), out) << in;
}

TEST(CodePage, FromUtf16ReplacesEachCharacterOutsideItByOneQuestionMark) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"\U0001F600x", "?x"},          // a pair is one character
        {u"\u4E2D", "?"},
        {std::u16string(1, 0xD800) + u"a", "?a"},  // lone high surrogate
        {std::u16string(1, 0xDC00), "?"},          // lone low surrogate
        {std::u16string(1, 0xD800), "?"},          // cut off at the end
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(cp1252::fromUtf16(in), out) << out;
}

}  // namespace
}  // namespace drill
