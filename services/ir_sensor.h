// The infrared proximity sensor "IRD1:". It reports to a registered window
// with the registered message: lParam non-zero when something is near, 0
// when it has gone. The driver is opened afresh for each request.
#pragma once

#include <windows.h>

BOOL IrRegisterWindow(HWND hWnd, UINT uMessage);
BOOL IrUnregisterWindow(HWND hWnd);
// Switches the reports on or off for every registered window.
BOOL IrEnable(BOOL bEnable);
