// The phone's device manager: the search over the drivers that are loaded.
//
// Each loaded driver has a legacy name ("ACC0:"), a device name in the
// "$device" namespace, the registry key it was loaded from, the name of the
// bus it hangs on and the device classes it advertises. A search walks the
// drivers that match; a found driver is opened with CreateFileW on any of its
// names. Search handles are kernel handles: CloseHandle ends them.
#pragma once

#include "winerror.h"
#include "wintypes.h"

#define DEVKEY_LEN 260
#define DEVNAME_LEN 260
#define DEVLEGACYNAME_LEN 6

typedef enum {
    DeviceSearchByLegacyName = 0,  // pvSearchParam: a name pattern, "*" and "?" as wildcards
    DeviceSearchByDeviceName = 1,  // a name pattern
    DeviceSearchByBusName = 2,  // a name pattern
    DeviceSearchByGuid = 3,  // a const GUID*: a device class the driver advertises
    DeviceSearchByParent = 4,  // the parent's hDevice value itself, cast to a pointer
} DeviceSearchType;

// The two handle fields are the phone's 32-bit device identifiers, kept as
// 32-bit values so that the record keeps the phone's layout and size on a
// 64-bit host.
typedef struct _DEVMGR_DEVICE_INFORMATION {
    DWORD dwSize;  // set by the caller to the size of the record
    DWORD hDevice;
    DWORD hParentDevice;
    WCHAR szLegacyName[DEVLEGACYNAME_LEN];
    WCHAR szDeviceKey[DEVKEY_LEN];
    WCHAR szDeviceName[DEVNAME_LEN];
    WCHAR szBusName[DEVNAME_LEN];
} DEVMGR_DEVICE_INFORMATION, *PDEVMGR_DEVICE_INFORMATION, *LPDEVMGR_DEVICE_INFORMATION;

static_assert(sizeof(DEVMGR_DEVICE_INFORMATION) == 1584, "DEVMGR_DEVICE_INFORMATION layout");

// Starts a search and fills *pdi with the first match. Returns the search
// handle, or INVALID_HANDLE_VALUE with ERROR_INVALID_PARAMETER (bad record
// size, search type or parameter) or ERROR_NO_MORE_ITEMS (no match).
HANDLE FindFirstDevice(DeviceSearchType searchType, LPCVOID pvSearchParam, PDEVMGR_DEVICE_INFORMATION pdi);
// Fills *pdi with the next match; FALSE with ERROR_NO_MORE_ITEMS after the last.
BOOL FindNextDevice(HANDLE h, PDEVMGR_DEVICE_INFORMATION pdi);
