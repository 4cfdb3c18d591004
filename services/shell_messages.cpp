#include "services/shell_messages.h"

namespace {

UINT s_uClickTaskbarMessage = 0;
UINT s_uEntryLockphoneMessage = 0;
UINT s_uEntryShutDownMessage = 0;

UINT RegisteredMessage(UINT& uStored, LPCWSTR pszName)
{
    if (uStored == 0) uStored = RegisterWindowMessageW(pszName);
    return uStored;
}

}  // namespace

UINT GetClickTaskbarMessage() { return RegisteredMessage(s_uClickTaskbarMessage, TEXT("ShellNotifyMsg/ClickTaskbar")); }

UINT GetEntryLockphoneMessage()
{
    return RegisteredMessage(s_uEntryLockphoneMessage, TEXT("ShellNotifyMsg/EntryLockphone"));
}

UINT GetEntryShutDownMessage()
{
    return RegisteredMessage(s_uEntryShutDownMessage, TEXT("ShellNotifyMsg/EntryShutDown"));
}
