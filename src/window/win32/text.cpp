#include "text.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/codepage.h"
#include "platform/errors.h"

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

std::wstring clipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            const std::size_t most = GlobalSize(data) / sizeof(wchar_t);
            text.assign(chars, wcsnlen(chars, most));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

OpenClipboardScope::OpenClipboardScope(HWND owner) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(owner)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fail(err::PermissionDenied);
}

void setClipboardText(HWND owner, std::wstring_view text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory == nullptr) fail(err::OutOfMemory);
    auto* target = static_cast<wchar_t*>(GlobalLock(memory));
    std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
    target[text.size()] = L'\0';
    GlobalUnlock(memory);
    try {
        OpenClipboardScope open(owner);
        EmptyClipboard();
        // The clipboard owns the memory once it took it.
        if (SetClipboardData(CF_UNICODETEXT, memory) != nullptr) return;
    } catch (...) {
        GlobalFree(memory);
        throw;
    }
    GlobalFree(memory);
    fail(err::OutOfMemory);
}

}  // namespace drill::win32
