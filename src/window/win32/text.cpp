#include "text.h"

#include "platform/codepage.h"

namespace drill::win32 {

std::wstring wide(std::string_view codePage) {
    const std::u16string utf16 = cp1252::toUtf16(codePage);
    return {utf16.begin(), utf16.end()};
}

std::string narrow(std::wstring_view utf16) {
    return cp1252::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::wstring firstLine(std::wstring_view text) {
    return std::wstring(text.substr(0, text.find_first_of(L"\r\n\u2028\u2029")));
}

std::wstring limitToCodePage(std::wstring_view text) { return wide(narrow(text)); }

}  // namespace drill::win32
