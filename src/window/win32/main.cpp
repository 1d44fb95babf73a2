// The program on Windows: chooses the real services and runs the window.
#include <cstdio>
#include <string>

#include <windows.h>

#include <shellapi.h>

#include "desktop.h"
#include "drill/form_state.h"
#include "main_window.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "system_library.h"
#include "text.h"

namespace {

const wchar_t kHelp[] =
    L"Usage: assignment-drill [options]\n"
    L"Work through a course assignment and record your answers, critiques and notes.\n"
    L"With no option, the program asks four questions and opens its window.\n"
    L"\n"
    L"Options:\n"
    L"  -h, --help     Displays help on commandline options.\n"
    L"  -v, --version  Displays version information.\n";

// A program of the desktop has no console of its own: what it has to say
// goes where its output was sent, or to the console it was started from, or
// else into a message box.
void say(const std::wstring& text, bool error) {
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE out = GetStdHandle(which);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) == FILE_TYPE_UNKNOWN) {
        out = AttachConsole(ATTACH_PARENT_PROCESS) ? GetStdHandle(which) : nullptr;
    }
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        if (GetFileType(out) == FILE_TYPE_CHAR &&
            WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
            return;
        // Redirected: the text is plain ASCII, whatever the console's code page.
        const std::string bytes(text.begin(), text.end());
        if (WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return;
    }
    const UINT icon = error ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(nullptr, text.c_str(), L"Assignment Drill", MB_OK | icon);
}

// The first of --help and --version on the command line, an argument that is
// neither (an error), or nothing.
int commandLine(bool& handled) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    handled = false;
    if (argv == nullptr) return 0;
    int status = 0;
    for (int i = 1; i < argc && !handled; ++i) {
        const std::wstring arg = argv[i];
        handled = true;
        if (arg == L"-h" || arg == L"--help" || arg == L"-?" || arg == L"/?") {
            say(kHelp, false);
        } else if (arg == L"-v" || arg == L"--version") {
            say(L"assignment-drill " DRILL_VERSION_W L"\n", false);
        } else {
            say(L"assignment-drill: unexpected argument '" + arg + L"'\nTry 'assignment-drill --help'.\n", true);
            status = 2;
        }
    }
    LocalFree(argv);
    return status;
}

// Start-up is measured up to the first input box on the screen: with
// DRILL_EXIT_AT_FIRST_PROMPT set, the program says so and exits as soon as an
// input box has been painted.
bool exitAtFirstPrompt() { return GetEnvironmentVariableW(L"DRILL_EXIT_AT_FIRST_PROMPT", nullptr, 0) > 1; }

// The DLL search is narrowed before any other code of the program runs: a
// callback of the program's thread-local storage comes before the C++
// runtime's start-up, which draws the stack guard from the system's crypto
// provider, and that loads DLLs of its own.
void NTAPI restrictDllSearchAtStart(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_ATTACH) drill::win32::restrictDllSearch();
}

}  // namespace

// The loader calls the callbacks of .CRT$XL* in the order of their names;
// the runtime's own (mingw-w64's and its threads') come after XLB.
extern "C" __attribute__((used, section(".CRT$XLB"))) const PIMAGE_TLS_CALLBACK drillRestrictDllSearch =
    restrictDllSearchAtStart;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    bool handled = false;
    if (const int status = commandLine(handled); handled) return status;

    const std::unique_ptr<drill::Files> files = drill::makeDiskFiles();
    const std::unique_ptr<drill::Clock> clock = drill::makeSystemClock();
    const std::unique_ptr<drill::Random> random = drill::makeGenerator();
    drill::win32::Win32Dialogs dialogs;
    drill::win32::Win32Beeper beeper;
    drill::win32::Win32Timer timer;
    drill::FormState state;
    if (exitAtFirstPrompt()) {
        dialogs.shown = [](HWND) {
            say(L"first prompt shown\n", false);
            ExitProcess(0);
        };
    }
    drill::win32::MainWindow window({*files, *clock, *random, dialogs, beeper, timer, state});
    dialogs.setOwner(window.hwnd());
    if (!window.load()) return 0;
    window.show();
    return window.run();
}
