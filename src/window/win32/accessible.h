#pragma once
// What a screen reader is told of a control beyond what Windows knows of it
// by itself: the control's standard accessible object answers everything
// (role, state, value, place), but for a name or a description of the
// program's own.
#include <functional>
#include <string>

#include <windows.h>

namespace drill::win32 {

struct AccessibleTexts {
    std::function<std::wstring()> name;         // empty function: the standard name
    std::function<std::wstring()> description;  // empty function: the standard one
    std::function<std::wstring()> value;        // empty function: the standard one
    long role = 0;                              // 0: the standard role
};

// The answer to WM_GETOBJECT for the control's client object, or 0 where
// Windows' own answer will do (another object asked for, or no object).
LRESULT accessibleObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleTexts& texts);

}  // namespace drill::win32
