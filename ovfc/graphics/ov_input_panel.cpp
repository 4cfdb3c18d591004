// Hiding the soft input panel before a window animation or a control takes
// the screen, so no keyboard is left standing over it.
#include "ovfc/graphics/ov_input_panel.h"

#include <windows.h>

#include <sipapi.h>

void HideInputPanel()
{
    SIPINFO info {};
    info.cbSize = sizeof(SIPINFO);
    if (SipGetInfo(&info) && (info.fdwFlags & SIPF_ON) != 0) SipShowIM(SIPF_OFF);
}
