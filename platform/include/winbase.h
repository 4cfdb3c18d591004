// Kernel calls of the phone's interface.
#pragma once

#include "winerror.h"
#include "wintypes.h"

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
BOOL CloseHandle(HANDLE hObject);
