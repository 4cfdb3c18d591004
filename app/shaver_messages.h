// The phone's notification messages the shaver window answers, learnt when
// the window is initialised: the call and SMS broadcasts and the USB
// controller's message (0xFFFFFFFF, which no message equals, without one).
#pragma once

#include <windows.h>

extern UINT g_nShaverCallMessage;
extern UINT g_nShaverSmsMessage;
extern UINT g_nShaverUsbMessage;

// Start-up runs on the first paint of the process. A harness that starts
// the shaver again in the same process (the tests) calls this first.
void ShaverForgetFirstPaint();
