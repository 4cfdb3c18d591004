#include "services/shell_notify.h"

#include <cstdint>

#include <msgqueue.h>

namespace {

constexpr DWORD SHELL_NOTIFY_SET = 1;
constexpr DWORD SHELL_NOTIFY_CLEAR = 2;

HANDLE s_hShellQueue = nullptr;

// Initialised on first use by the language's thread-safe static
// initialisation, so that two threads posting for the first time cannot
// both initialise it.
CRITICAL_SECTION& ShellQueueLock()
{
    static CRITICAL_SECTION* s_pLock = [] {
        static CRITICAL_SECTION lock;
        InitializeCriticalSection(&lock);
        return &lock;
    }();
    return *s_pLock;
}

void OpenShellQueueLocked()
{
    if (s_hShellQueue) return;
    MSGQUEUEOPTIONS options = {};
    options.dwSize = 20;
    options.dwFlags = MSGQUEUE_ALLOW_BROKEN;
    options.dwMaxMessages = 16;
    options.cbMaxMessage = 12;
    options.bReadAccess = FALSE;
    s_hShellQueue = CreateMsgQueue(TEXT("QueueNameOfShellNotifyMessage"), &options);
    if (!s_hShellQueue) NKDbgPrintfW(TEXT("Cannot open Shell Notify message queue!\n"));
}

}  // namespace

BOOL ShellNotifyPost(HWND hWnd, DWORD dwCode, BOOL bSet)
{
    CRITICAL_SECTION& lock = ShellQueueLock();
    EnterCriticalSection(&lock);
    // Made under the lock, so that first posts from two threads share one queue.
    OpenShellQueueLocked();
    BOOL bWritten = FALSE;
    if (s_hShellQueue) {
        // The shell reads window handles as 32-bit values.
        DWORD record[3] = {bSet ? SHELL_NOTIFY_SET : SHELL_NOTIFY_CLEAR,
            static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hWnd)), dwCode};
        bWritten = WriteMsgQueue(s_hShellQueue, record, sizeof(record), 0, 0);
    }
    LeaveCriticalSection(&lock);
    return bWritten;
}

BOOL ShellNotifySet(HWND hWnd, DWORD dwCode)
{
    if (!hWnd) return FALSE;
    return ShellNotifyPost(hWnd, dwCode, TRUE);
}

BOOL ShellNotifyClear(HWND hWnd, DWORD dwCode)
{
    if (!hWnd) return FALSE;
    return ShellNotifyPost(hWnd, dwCode, FALSE);
}
