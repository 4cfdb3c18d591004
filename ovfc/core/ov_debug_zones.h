// Trace zones: which framework events are written to the debug output.
// The mask is read from the registry once at start-up; each trace point
// costs one bit test.
#pragma once

#include <windows.h>

// Button presses, releases, double clicks and control mouse moves.
#define OVZONE_MOUSE 0x00000004u
// Every message that reaches OvWndProc except WM_GETTEXT.
#define OVZONE_OVWND_MESSAGE 0x00000040u
// Entry, animations and exit of a modal run.
#define OVZONE_OVWND 0x00000080u

#define OVZONE_ON(zone) ((OvDebugZones & (zone)) != 0)

// 0 until WinMain reads it; not changed afterwards.
extern DWORD OvDebugZones;

// The 32-bit value of that name under HKLM\SOFTWARE\Orvane\Debug; 0 when the
// key or the value is missing.
DWORD OvReadDebugZones(LPCWSTR pszValueName);
