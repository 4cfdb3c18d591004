// Control codes of the phone's stream drivers and the call that sends them.
//
// A control code packs the device type, the function, the transfer method and
// the access a caller needs, as CTL_CODE builds it. DeviceIoControl hands the
// input buffer to the driver behind an open device handle ("ACC0:" and the
// like, opened with CreateFileW) and receives its output.
#pragma once

#include "fileapi.h"
#include "winerror.h"
#include "wintypes.h"

#define CTL_CODE(DeviceType, Function, Method, Access)                                                                 \
    (((DeviceType) << 16) | ((Access) << 14) | ((Function) << 2) | (Method))

#define DEVICE_TYPE_FROM_CTL_CODE(ctrlCode) (((DWORD)(ctrlCode)&0xFFFF0000u) >> 16)
#define METHOD_FROM_CTL_CODE(ctrlCode) ((DWORD)((ctrlCode)&3u))

#define METHOD_BUFFERED 0
#define METHOD_IN_DIRECT 1
#define METHOD_OUT_DIRECT 2
#define METHOD_NEITHER 3

#define FILE_ANY_ACCESS 0
#define FILE_READ_ACCESS 0x0001
#define FILE_WRITE_ACCESS 0x0002

#define FILE_DEVICE_BEEP 0x00000001
#define FILE_DEVICE_CD_ROM 0x00000002
#define FILE_DEVICE_CD_ROM_FILE_SYSTEM 0x00000003
#define FILE_DEVICE_CONTROLLER 0x00000004
#define FILE_DEVICE_DATALINK 0x00000005
#define FILE_DEVICE_DFS 0x00000006
#define FILE_DEVICE_DISK 0x00000007
#define FILE_DEVICE_HAL 0x00000101
#define FILE_DEVICE_UNKNOWN 0x00000022

// Sends a control code to the driver of an open device handle. Returns FALSE
// with the driver's error (ERROR_INVALID_PARAMETER for a code or buffer it
// does not take, ERROR_INVALID_HANDLE for a handle that is not an open
// device) or TRUE with the bytes written to lpOutBuffer in *lpBytesReturned.
// Requests complete before the call returns; lpOverlapped is not used.
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
    DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);
