// What every message loop of the process shares: the message record they all
// retrieve into, the quit flag, the mouse-input discard filter and the id of
// the shell's M-key message. The main loop (OvApp::Run) and each modal loop
// (COvWnd::DoModal) nest on the one UI thread, so a WM_QUIT that any of them
// retrieves ends them all.
#pragma once

#include <windows.h>

// The record every loop retrieves into.
MSG& OvSharedMessage();

// Set when any loop retrieves WM_QUIT; never cleared while the program runs.
BOOL OvQuitFlag();
void OvSetQuitFlag();

// The registered message "ShellNotifyMsg/ClickMKey", registered on the first
// call.
UINT GetClickMKeyMessage();

// Mouse input the user produced while a window initialised or a modal window
// appeared or went away is dropped: Begin drops all mouse messages, End
// keeps dropping those stamped before its time, and the first mouse message
// stamped at or after that time switches the filter off again.
void BeginMouseDiscard();
void EndMouseDiscard();
// TRUE when the loop must drop the message.
BOOL FilterMouseMessage(const MSG* pMsg);

// The phone runs one program per process, so nothing above is ever reset
// there. A harness that runs several programs in one process (the tests)
// calls this between them: record zeroed, quit flag clear, filter off.
void OvResetMessageLoopState();
