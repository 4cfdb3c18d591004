// Announcements to the phone's shell: a window tells the shell that it is
// showing something (set) or no longer is (clear), as 12-byte records
// {kind, window, code} on the queue "QueueNameOfShellNotifyMessage".
#pragma once

#include <windows.h>

// FALSE for a null window; otherwise whether the record was written.
BOOL ShellNotifySet(HWND hWnd, DWORD dwCode);
BOOL ShellNotifyClear(HWND hWnd, DWORD dwCode);

// Writes {1 if bSet else 2, window, code}, creating the queue on first use
// (and again on the next call if that fails). Returns the write's result;
// FALSE without a queue. Safe from any thread.
BOOL ShellNotifyPost(HWND hWnd, DWORD dwCode, BOOL bSet);
