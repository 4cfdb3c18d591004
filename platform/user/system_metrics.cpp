// The screen's metrics, the double-click settings and the soft input panel,
// which on this phone never comes up.

#include "platform/user/system_metrics.h"
#include "platform/include/sipapi.h"
#include "platform/include/winbase.h"
#include "platform/include/winuser.h"
#include "platform/user/desktop.h"

namespace platform::user {

int double_click_width() { return 16; }
int double_click_height() { return 16; }

}  // namespace platform::user

using namespace platform::user;

int GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
        return screen_width;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
    case SM_CYVIRTUALSCREEN:
        return screen_height;
    case SM_CXDOUBLECLK:
        return double_click_width();
    case SM_CYDOUBLECLK:
        return double_click_height();
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 8;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXICON:
    case SM_CYICON:
        return 64;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 32;
    case SM_CMONITORS:
        return 1;
    case SM_MOUSEPRESENT:
        return 1;
    default:
        // The metrics of frames, captions and scroll bars: windows have none.
        return 0;
    }
}

UINT GetDoubleClickTime() { return 500; }

BOOL MessageBeep(UINT) { return TRUE; }

BOOL SipGetInfo(SIPINFO* pSipInfo)
{
    if (!pSipInfo || pSipInfo->cbSize != sizeof(SIPINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pSipInfo->fdwFlags = SIPF_OFF;
    pSipInfo->rcVisibleDesktop = screen_area();
    pSipInfo->rcSipRect = RECT {0, screen_height, screen_width, screen_height};
    pSipInfo->dwImDataSize = 0;
    pSipInfo->pvImData = 0;
    return TRUE;
}

BOOL SipShowIM(DWORD dwFlag)
{
    // Asking for the panel succeeds; there is simply no panel to show.
    return (dwFlag & ~(SIPF_ON | SIPF_DOCKED | SIPF_LOCKED)) == 0;
}

BOOL SipSetInfo(SIPINFO* pSipInfo)
{
    if (!pSipInfo || pSipInfo->cbSize != sizeof(SIPINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
