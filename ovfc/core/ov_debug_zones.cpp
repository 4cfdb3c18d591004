#include "ovfc/core/ov_debug_zones.h"

DWORD OvDebugZones = 0;

DWORD OvReadDebugZones(LPCWSTR pszValueName)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Debug"), 0, 0, &hKey) != ERROR_SUCCESS || !hKey)
        return 0;
    DWORD dwValue = 0;
    DWORD cbValue = sizeof(dwValue);
    // The value's type is not looked at: any four bytes are taken as the mask.
    LONG lResult = RegQueryValueExW(hKey, pszValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&dwValue), &cbValue);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS ? dwValue : 0;
}
