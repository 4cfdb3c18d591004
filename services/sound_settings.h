// The user's volume settings: HKEY_CURRENT_USER\ControlPanel\Volume, value
// "Silence" (1: every sound is off) and "Key" (1: key clicks are on), read
// afresh on every question.
#pragma once

#include <windows.h>

// Reads up to 4 bytes of the value into *pdwValue, whatever its type. TRUE
// only when the key opened and the value was read.
BOOL RegReadDword(DWORD* pdwValue, LPCWSTR pszValueName, LPCWSTR pszKeyName, HKEY hRoot);

// Whether "Silence" is 1; a missing or unreadable value does not silence.
bool IsSoundSilenced();
// Whether "Key" is 1; a missing or unreadable value means no key clicks.
bool IsKeySoundOn();
