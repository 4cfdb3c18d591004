// The shell's registered messages a window may receive: a tap on the task
// bar, the phone locking, the phone shutting down. Each number is
// registered on first request and kept.
#pragma once

#include <windows.h>

UINT GetClickTaskbarMessage();
UINT GetEntryLockphoneMessage();
UINT GetEntryShutDownMessage();
