#pragma once
// The one crossing between the system's texts (Windows-1252 bytes, lines
// broken by CR LF) and Windows' own (UTF-16), by the code page's table.
#include <string>
#include <string_view>

#include <windows.h>

namespace drill::win32 {

std::wstring wide(std::string_view codePage);
// A character the code page lacks becomes '?', a surrogate pair one '?'.
std::string narrow(std::wstring_view utf16);
// A box breaks lines only at CR LF: a lone CR or LF is made one, as the Qt
// boxes take any of them for a line break.
std::string withCrLf(std::string_view text);
// The text up to its first line break: what a one-line box takes of a paste.
std::wstring firstLine(std::wstring_view text);
// The same text with every character the code page lacks replaced by '?'.
std::wstring limitToCodePage(std::wstring_view text);

// The clipboard is one for the whole desktop: another program may hold it
// for a moment. Held for longer, it is a resource in use (RuntimeError 70).
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner);
    ~OpenClipboardScope() { CloseClipboard(); }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
};

// The clipboard's text, empty when it holds none or another program keeps
// it open.
std::wstring clipboardText(HWND owner);
// Puts text on the clipboard; throws RuntimeError when it cannot.
void setClipboardText(HWND owner, std::wstring_view text);

}  // namespace drill::win32
