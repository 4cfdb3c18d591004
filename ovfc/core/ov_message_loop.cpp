#include "ovfc/core/ov_message_loop.h"

namespace {

// Plain statics with constant initialisers: they hold their values before
// any static constructor runs, so an application object constructed during
// static initialisation already finds them ready.
MSG g_msg {};
int g_bQuit = 0;
int g_bDiscardActive = 0;
int g_bDiscardArmed = 1;
DWORD g_dwDiscardEnd = 0;
UINT g_uClickMKeyMessage = 0;

}  // namespace

MSG& OvSharedMessage() { return g_msg; }

BOOL OvQuitFlag() { return g_bQuit; }

void OvSetQuitFlag() { g_bQuit = 1; }

UINT GetClickMKeyMessage()
{
    if (g_uClickMKeyMessage == 0) g_uClickMKeyMessage = RegisterWindowMessageW(TEXT("ShellNotifyMsg/ClickMKey"));
    return g_uClickMKeyMessage;
}

void BeginMouseDiscard()
{
    g_bDiscardActive = 1;
    g_dwDiscardEnd = 0;
    g_bDiscardArmed = 0;
}

void EndMouseDiscard()
{
    g_dwDiscardEnd = GetTickCount();
    g_bDiscardArmed = 1;
}

BOOL FilterMouseMessage(const MSG* pMsg)
{
    if (!g_bDiscardActive || !pMsg) return FALSE;
    if (pMsg->message < WM_MOUSEFIRST || pMsg->message > WM_MOUSELAST) return FALSE;
    if (!g_bDiscardArmed) return TRUE;
    if (pMsg->time < g_dwDiscardEnd) return TRUE;
    g_bDiscardActive = 0;
    return FALSE;
}

void OvResetMessageLoopState()
{
    g_msg = MSG {};
    g_bQuit = 0;
    g_bDiscardActive = 0;
    g_bDiscardArmed = 1;
    g_dwDiscardEnd = 0;
}
