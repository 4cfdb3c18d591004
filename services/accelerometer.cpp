#include "services/accelerometer.h"

#include <winioctl.h>

namespace {

constexpr DWORD ACC_IOCTL_SET_MESSAGE = 0x40020;
constexpr DWORD ACC_IOCTL_READ = 0x4000C;

HANDLE s_hAcc = INVALID_HANDLE_VALUE;
int s_nAccOpenCount = 0;
UINT s_uAccMessage = 0;

void StoreReading(signed char* pOut, signed char value)
{
    if (pOut) *pOut = value;
}

}  // namespace

BOOL AccOpen()
{
    if (s_nAccOpenCount == 0) {
        s_hAcc = CreateFileW(TEXT("ACC0:"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            OPEN_EXISTING, 0, nullptr);
        if (s_hAcc == INVALID_HANDLE_VALUE) {
            NKDbgPrintfW(TEXT("[Acc Api] Open ACC0 failed err %d..........\n"), GetLastError());
            return FALSE;
        }
    }
    if (s_uAccMessage == 0) {
        s_uAccMessage = RegisterWindowMessageW(TEXT("AccMessage"));
        DWORD dwReturned = 0;
        // Nothing here listens for the message; the driver only wants to know it.
        DeviceIoControl(
            s_hAcc, ACC_IOCTL_SET_MESSAGE, &s_uAccMessage, sizeof(s_uAccMessage), nullptr, 0, &dwReturned, nullptr);
    }
    ++s_nAccOpenCount;
    return TRUE;
}

void AccClose()
{
    if (s_hAcc == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(TEXT("[Acc Api] Open ACC0 failed err %d..........\n"), GetLastError());
        return;
    }
    --s_nAccOpenCount;
    if (s_nAccOpenCount <= 0) {
        NKDbgPrintfW(TEXT("[Acc Api] Close ACC0..........\n"));
        s_nAccOpenCount = 0;
        CloseHandle(s_hAcc);
        s_hAcc = INVALID_HANDLE_VALUE;
        s_uAccMessage = 0;
    }
}

BOOL AccRead(signed char* x, signed char* y, signed char* z)
{
    signed char reading[3] = {0, 0, 0};
    BOOL bRead = FALSE;
    if (s_hAcc == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(TEXT("[Acc Api] ACC0 not opened..........\n"));
    } else {
        DWORD dwReturned = 0;
        bRead = DeviceIoControl(s_hAcc, ACC_IOCTL_READ, nullptr, 0, reading, sizeof(reading), &dwReturned, nullptr);
        if (!bRead) reading[0] = reading[1] = reading[2] = 0;
    }
    // Zeros also when the driver is not open, so that callers comparing
    // readings never compare what happened to be in their variables.
    StoreReading(x, reading[0]);
    StoreReading(y, reading[1]);
    StoreReading(z, reading[2]);
    return bRead;
}
