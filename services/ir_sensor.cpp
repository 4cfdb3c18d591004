#include "services/ir_sensor.h"

#include <cstdint>

#include <winioctl.h>

namespace {

constexpr DWORD IR_IOCTL_REGISTER = 0x40C94;
constexpr DWORD IR_IOCTL_ENABLE = 0x40C98;
constexpr DWORD IR_IOCTL_UNREGISTER = 0x40CA8;

HANDLE OpenIrDevice() { return CreateFileW(TEXT("IRD1:"), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr); }

// The driver takes window handles as 32-bit values.
DWORD WindowValue(HWND hWnd) { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hWnd)); }

BOOL SendIrRequest(DWORD dwCode, DWORD* pInput, DWORD cbInput, bool bWantReturned)
{
    HANDLE hIr = OpenIrDevice();
    if (hIr == INVALID_HANDLE_VALUE) return FALSE;
    DWORD dwReturned = 0;
    BOOL bResult =
        DeviceIoControl(hIr, dwCode, pInput, cbInput, nullptr, 0, bWantReturned ? &dwReturned : nullptr, nullptr);
    CloseHandle(hIr);
    return bResult;
}

}  // namespace

BOOL IrRegisterWindow(HWND hWnd, UINT uMessage)
{
    DWORD input[2] = {WindowValue(hWnd), uMessage};
    return SendIrRequest(IR_IOCTL_REGISTER, input, sizeof(input), true);
}

BOOL IrUnregisterWindow(HWND hWnd)
{
    DWORD input[2] = {WindowValue(hWnd), 0};
    return SendIrRequest(IR_IOCTL_UNREGISTER, input, sizeof(input), true);
}

BOOL IrEnable(BOOL bEnable)
{
    DWORD input = static_cast<DWORD>(bEnable);
    return SendIrRequest(IR_IOCTL_ENABLE, &input, sizeof(input), false);
}
