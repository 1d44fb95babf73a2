// A program that imports DLLs Windows looks for beside it first: common
// controls, with no manifest to bind them, and oleacc. Never run;
// tools/check-windows-exe must refuse it.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

int main() {
    InitCommonControls();
    return static_cast<int>(GetRoleTextW(ROLE_SYSTEM_TEXT, nullptr, 0));
}
