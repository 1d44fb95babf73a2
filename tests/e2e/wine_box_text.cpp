// How the test of the real Windows program reads a box back: from a second
// program under the same Wine server, through the box's own WM_GETTEXT.
// Reading back by copying goes through keys and the clipboard, and under load
// Wine sometimes makes no copy at all.
//
//   wine_box_text HEX   waits (3 s at most) until the box with the keyboard
//                       focus holds the text whose UTF-8 bytes HEX spells
//                       (line breaks as LF), and prints what it holds last,
//                       in the same form; status 1 when no box has the focus
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

std::string fromHex(const char* hex) {
    std::string bytes;
    for (const char* p = hex; p[0] != 0 && p[1] != 0; p += 2) bytes.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
    return bytes;
}

std::optional<std::string> focusedText() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND window = GetForegroundWindow();
    if (window == nullptr || !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ||
        info.hwndFocus == nullptr)
        return std::nullopt;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(info.hwndFocus, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::nullopt;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(info.hwndFocus, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &got))
        return std::nullopt;
    text.resize(got);
    std::wstring lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')) lines += text[i];
    const int n = WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    // Bytes as they are: no CR put before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 2) return 2;
    const std::string expected = fromHex(argv[1]);
    std::optional<std::string> held;
    // The keys typed last may still be on their way to the box; keys that
    // were lost are typed again by the test, sooner than a long wait here.
    for (int waited = 0; waited <= 3000; waited += 50) {
        held = focusedText();
        if (held == expected) break;
        Sleep(50);
    }
    if (!held) return 1;
    std::fwrite(held->data(), 1, held->size(), stdout);
    return 0;
}
