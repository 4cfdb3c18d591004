// The USB function controller: it posts a registered message to every
// top-level window when the phone enters USB-disk mode (wParam 0) or leaves
// it (wParam 1).
#pragma once

#include <windows.h>

// Registers "UsbNotifyMsgName" with the controller and returns its number;
// 0xFFFFFFFF, which no window message equals, when the phone has no USB
// function controller or it cannot be opened.
UINT UsbRegisterNotify();
