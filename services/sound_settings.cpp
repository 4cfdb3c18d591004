#include "services/sound_settings.h"

namespace {

constexpr LPCWSTR VOLUME_KEY = TEXT("ControlPanel\\Volume");

bool VolumeValueIsOne(LPCWSTR pszValueName)
{
    DWORD dwValue = 0;
    RegReadDword(&dwValue, pszValueName, VOLUME_KEY, HKEY_CURRENT_USER);
    return dwValue == 1;
}

}  // namespace

BOOL RegReadDword(DWORD* pdwValue, LPCWSTR pszValueName, LPCWSTR pszKeyName, HKEY hRoot)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, pszKeyName, 0, 0, &hKey) != ERROR_SUCCESS) return FALSE;
    DWORD cbValue = sizeof(DWORD);
    LONG lResult = RegQueryValueExW(hKey, pszValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(pdwValue), &cbValue);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

bool IsSoundSilenced() { return VolumeValueIsOne(TEXT("Silence")); }

bool IsKeySoundOn() { return VolumeValueIsOne(TEXT("Key")); }
