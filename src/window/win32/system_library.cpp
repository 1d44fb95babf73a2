#include "system_library.h"

#include <utility>

namespace drill::win32 {

namespace {

// A screen reader's calls may come on threads of their own. A lock of the
// system's own: the standard library's would bring its error texts along.
SRWLOCK replacing = SRWLOCK_INIT;

ProcedureFinder& replacement() {
    static ProcedureFinder finder;
    return finder;
}

}  // namespace

void restrictDllSearch() {
    // Were either to fail, the search would stay as it was: the DLLs the
    // program loads itself come from the system folder regardless.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

FARPROC systemProcedure(const wchar_t* dll, const char* name) noexcept {
    AcquireSRWLockShared(&replacing);
    FARPROC procedure = nullptr;
    if (replacement()) {
        procedure = replacement()(dll, name);
    } else if (HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // A DLL loaded already is found by its name and counted once more;
        // it is never freed.
        procedure = GetProcAddress(module, name);
    }
    ReleaseSRWLockShared(&replacing);
    return procedure;
}

ProcedureFinder replaceProcedureFinder(ProcedureFinder finder) {
    AcquireSRWLockExclusive(&replacing);
    std::swap(replacement(), finder);
    ReleaseSRWLockExclusive(&replacing);
    return finder;
}

}  // namespace drill::win32
