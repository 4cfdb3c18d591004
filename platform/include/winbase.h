// Kernel calls of the phone's interface: errors and handles, time, debug
// output, the local heap, critical sections, system parameters and the
// user's language.
#pragma once

#include "winerror.h"
#include "wintypes.h"

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
BOOL CloseHandle(HANDLE hObject);

#ifndef INFINITE
#define INFINITE 0xFFFFFFFFu
#endif

// Milliseconds since the phone started; wraps after about 49.7 days.
DWORD GetTickCount();
void Sleep(DWORD dwMilliseconds);

// The kernel's debug print: a printf-style UTF-16 format (see wsprintfW for
// the conversions it knows).
void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

// The local heap. LMEM_FIXED memory is addressed directly: the handle is the
// pointer.
#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define LMEM_MODIFY 0x0080u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define NONZEROLPTR LMEM_FIXED

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
HLOCAL LocalFree(HLOCAL hMem);
SIZE_T LocalSize(HLOCAL hMem);

// A critical section lives in its record (no allocation), so it may be
// declared statically and shared by threads of one process.
typedef struct _CRITICAL_SECTION {
    LONG LockCount;  // nesting depth of the owner's enters; 0 when free
    HANDLE OwnerThread;  // the owning thread's id; null when free
    HANDLE hCrit;  // unused
    DWORD needtrap;  // lock word: 0 free, 1 held, 2 held with waiters
    DWORD dwContentions;  // enters that had to wait
} CRITICAL_SECTION, *LPCRITICAL_SECTION, *PCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// System parameters the phone offers. The OEM information and the platform
// name both report the device's identification string.
#define SPI_GETPLATFORMTYPE 257
#define SPI_GETOEMINFO 258
#define SPI_GETPLATFORMNAME 260
#define SPI_GETFONTSMOOTHINGCONTRAST 0x200C
#define SPI_SETFONTSMOOTHINGCONTRAST 0x200D
#define SPIF_UPDATEINIFILE 0x0001u
#define SPIF_SENDCHANGE 0x0002u
#define SPIF_SENDWININICHANGE SPIF_SENDCHANGE

BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);

// Languages.
#define LANG_NEUTRAL 0x00
#define LANG_CHINESE 0x04
#define LANG_ENGLISH 0x09
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_CHINESE_SIMPLIFIED 0x02
#define SUBLANG_ENGLISH_US 0x01
#define PRIMARYLANGID(lgid) ((WORD)(lgid)&0x3FF)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)

LANGID GetUserDefaultUILanguage();
LANGID GetSystemDefaultUILanguage();
LANGID GetUserDefaultLangID();
LANGID GetSystemDefaultLangID();
