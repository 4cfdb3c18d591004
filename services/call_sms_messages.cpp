#include "services/call_sms_messages.h"

UINT GetCallMessage() { return RegisterWindowMessageW(TEXT("CALL_MESSAGE")); }

UINT GetSmsMessage() { return RegisterWindowMessageW(TEXT("SMS_MESSAGE")); }
