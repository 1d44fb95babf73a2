#pragma once
// The one crossing between the system's texts (Windows-1252 bytes, lines
// broken by CR LF) and Qt's (Unicode, lines broken by a bare line feed, or by
// U+2029 and U+2028 inside a text document).
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace drill {

// Code-page text to Qt text; CR LF and a lone CR become "\n".
QString toQt(std::string_view text);

// Qt text to code-page text; "\n", U+2028 and U+2029 become CR LF, and a
// character the code page lacks becomes '?' (a surrogate pair is one
// character, so one '?').
std::string fromQt(QStringView text);

// True when the code page holds the character.
bool inCodePage(char32_t codePoint);

// The text up to its first line break (CR, LF, U+2028 or U+2029): what a
// one-line entry field holds of a text pasted into it.
QString firstLine(QStringView text);

// The same text with every character the code page lacks replaced by '?';
// line breaks are kept as they are, so a box shows what fromQt will record.
QString limitToCodePage(QStringView text);

}  // namespace drill
