// The device manager's search and the control call, as programs see them.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/devices/device_manager.h"
#include "platform/files/case_fold.h"
#include "platform/include/devmgr.h"
#include "platform/include/winbase.h"
#include "platform/include/winioctl.h"
#include "platform/kernel/utf.h"

namespace {

using platform::devices::DeviceDescription;

// The matches of a search, taken when it started: drivers that come or go
// later do not change a search under way.
class DeviceSearch : public platform::KernelObject {
public:
    const char* kind() const override { return "device search"; }
    std::vector<const DeviceDescription*> matches;
    std::size_t next = 0;
};

bool matches(const DeviceDescription& description, DeviceSearchType type, LPCVOID parameter)
{
    auto pattern = [&] { return platform::text_view(static_cast<LPCWSTR>(parameter)); };
    switch (type) {
    case DeviceSearchByLegacyName:
        return platform::files::wildcard_match(pattern(), description.legacy_name);
    case DeviceSearchByDeviceName:
        return platform::files::wildcard_match(pattern(), description.device_name);
    case DeviceSearchByBusName:
        return platform::files::wildcard_match(pattern(), description.bus_name);
    case DeviceSearchByGuid: {
        const GUID& wanted = *static_cast<const GUID*>(parameter);
        return std::find(description.classes.begin(), description.classes.end(), wanted) != description.classes.end();
    }
    case DeviceSearchByParent:
        return description.parent == static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
    }
    return false;
}

void copy_text(WCHAR* target, std::size_t capacity, const std::u16string& text)
{
    std::size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), length, target);
    target[length] = 0;
}

void fill(PDEVMGR_DEVICE_INFORMATION record, const DeviceDescription& description)
{
    DWORD size = record->dwSize;
    *record = DEVMGR_DEVICE_INFORMATION {};
    record->dwSize = size;
    record->hDevice = description.id;
    record->hParentDevice = description.parent;
    copy_text(record->szLegacyName, DEVLEGACYNAME_LEN, description.legacy_name);
    copy_text(record->szDeviceKey, DEVKEY_LEN, description.device_key);
    copy_text(record->szDeviceName, DEVNAME_LEN, description.device_name);
    copy_text(record->szBusName, DEVNAME_LEN, description.bus_name);
}

bool valid_record(PDEVMGR_DEVICE_INFORMATION record)
{
    return record && record->dwSize >= sizeof(DEVMGR_DEVICE_INFORMATION);
}

}  // namespace

HANDLE FindFirstDevice(DeviceSearchType searchType, LPCVOID pvSearchParam, PDEVMGR_DEVICE_INFORMATION pdi)
{
    // Callers may pass any number; it is checked as a number, not as the
    // enumeration it claims to be.
    int type;
    std::memcpy(&type, &searchType, sizeof type);
    if (!valid_record(pdi) || !pvSearchParam || type < DeviceSearchByLegacyName || type > DeviceSearchByParent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<DeviceSearch>();
    for (const auto& description : platform::devices::device_descriptions())
        if (platform::devices::driver_of(description.device)->present() &&
            matches(description, searchType, pvSearchParam))
            search->matches.push_back(&description);
    if (search->matches.empty()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return INVALID_HANDLE_VALUE;
    }
    fill(pdi, *search->matches[search->next++]);
    return platform::insert_kernel_object(std::move(search));
}

BOOL FindNextDevice(HANDLE h, PDEVMGR_DEVICE_INFORMATION pdi)
{
    auto search = platform::find_kernel_object_as<DeviceSearch>(h);
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!valid_record(pdi)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (search->next >= search->matches.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    fill(pdi, *search->matches[search->next++]);
    return TRUE;
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
    DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED)
{
    if (lpBytesReturned) *lpBytesReturned = 0;
    auto device = platform::find_kernel_object_as<platform::devices::DeviceHandle>(hDevice);
    if (!device) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!device->driver().present()) {
        SetLastError(ERROR_DEVICE_NOT_AVAILABLE);
        return FALSE;
    }
    // A size without a buffer counts as no buffer, so a driver never reads
    // or writes through a null pointer.
    platform::devices::ControlRequest request;
    request.code = dwIoControlCode;
    request.input = lpInBuffer;
    request.input_size = lpInBuffer ? nInBufferSize : 0;
    request.output = lpOutBuffer;
    request.output_size = lpOutBuffer ? nOutBufferSize : 0;
    DWORD error = device->driver().control(request);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    if (lpBytesReturned) *lpBytesReturned = request.bytes_returned;
    return TRUE;
}
