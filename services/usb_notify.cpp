#include "services/usb_notify.h"

#include <devmgr.h>
#include <winioctl.h>

namespace {

// {E2BDC372-598F-4619-BC50-54B3F7848D35}: the USB function controller's device class.
constexpr GUID USB_FUNCTION_CLASS_GUID = {0xE2BDC372, 0x598F, 0x4619, {0xBC, 0x50, 0x54, 0xB3, 0xF7, 0x84, 0x8D, 0x35}};
constexpr DWORD USB_IOCTL_REGISTER_MESSAGE = 0x22019C;
constexpr UINT USB_NO_MESSAGE = 0xFFFFFFFF;

}  // namespace

UINT UsbRegisterNotify()
{
    UINT uMessage = RegisterWindowMessageW(TEXT("UsbNotifyMsgName"));

    DEVMGR_DEVICE_INFORMATION info = {};
    info.dwSize = 1584;
    HANDLE hSearch = FindFirstDevice(DeviceSearchByGuid, &USB_FUNCTION_CLASS_GUID, &info);
    if (hSearch == INVALID_HANDLE_VALUE) return USB_NO_MESSAGE;
    HANDLE hBus = CreateFileW(info.szBusName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    // Only the first match was wanted; ending the search here keeps each
    // registration from leaking its search handle.
    FindClose(hSearch);
    if (hBus == INVALID_HANDLE_VALUE) return USB_NO_MESSAGE;

    DWORD dwReturned = 0;
    DeviceIoControl(hBus, USB_IOCTL_REGISTER_MESSAGE, &uMessage, sizeof(uMessage), nullptr, 0, &dwReturned, nullptr);
    CloseHandle(hBus);
    return uMessage;
}
