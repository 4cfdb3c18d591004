#include "services/task_bar.h"

namespace {

// Hiding and showing keep separate handles, each from its own first find.
HWND s_hTaskBarToHide = nullptr;
HWND s_hTaskBarToShow = nullptr;

BOOL ShowTaskBarWindow(HWND& hTaskBar, int nCmdShow)
{
    if (!hTaskBar) hTaskBar = FindWindowW(TEXT("CTaskBar"), nullptr);
    if (!hTaskBar) return 0;
    return ShowWindow(hTaskBar, nCmdShow);
}

}  // namespace

BOOL HideTaskBar() { return ShowTaskBarWindow(s_hTaskBarToHide, SW_HIDE); }

BOOL ShowTaskBar() { return ShowTaskBarWindow(s_hTaskBarToShow, SW_SHOW); }
