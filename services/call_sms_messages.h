// The platform's call and SMS broadcasts: every top-level window receives
// them with wParam 1 when a call or message begins and 2 when it ends.
#pragma once

#include <windows.h>

// The message number of "CALL_MESSAGE".
UINT GetCallMessage();
// The message number of "SMS_MESSAGE".
UINT GetSmsMessage();
