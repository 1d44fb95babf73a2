#pragma once
// DLLs of the system that are not among its known DLLs (oleacc, for one) are
// never named in the program's import table: Windows would look for them in
// the program's own folder first, and a program unpacked into Downloads
// would run whatever a web page dropped there under such a name. They are
// loaded when first needed, from the system folder only, and the program goes
// on without them (a screen reader then gets Windows' standard answers).
#include <functional>

#include <windows.h>

namespace drill::win32 {

// First thing at start: what the system's own DLLs load later is looked for
// in the system folder only, and never in the current folder.
void restrictDllSearch();

// The procedure `name` of the system DLL `dll` (such as L"oleacc.dll"), or
// null when the DLL or the procedure is not there. A DLL, once loaded, stays
// loaded: what it made may outlive the caller. Callable from any thread.
FARPROC systemProcedure(const wchar_t* dll, const char* name) noexcept;

// The same, typed after the procedure's declaration in the system's header:
//   systemProcedure<decltype(LresultFromObject)>(L"oleacc.dll", "LresultFromObject")
template <class Function>
Function* systemProcedure(const wchar_t* dll, const char* name) noexcept {
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(systemProcedure(dll, name)));
}

// Where procedures come from; tests put in one that lacks a DLL. An empty
// function puts the system folder back. Returns the finder it replaces.
using ProcedureFinder = std::function<FARPROC(const wchar_t* dll, const char* name)>;
ProcedureFinder replaceProcedureFinder(ProcedureFinder finder);

}  // namespace drill::win32
