// The soft input panel (the on-screen keyboard). The simulated phone has
// none that ever comes up: SipGetInfo reports it down, and SipShowIM accepts
// requests without showing anything.
#pragma once

#include "windef.h"
#include "wintypes.h"

#define SIPF_OFF 0x00000000
#define SIPF_ON 0x00000001
#define SIPF_DOCKED 0x00000002
#define SIPF_LOCKED 0x00000004

#define SPI_SETSIPINFO 224
#define SPI_GETSIPINFO 225

typedef struct tagSIPINFO {
    DWORD cbSize;
    DWORD fdwFlags;
    RECT rcVisibleDesktop;
    RECT rcSipRect;
    DWORD dwImDataSize;
    // A pointer on the 32-bit phone; kept 32 bits wide so the record stays 48
    // bytes. No input method here has data to hand out.
    DWORD pvImData;
} SIPINFO, *PSIPINFO;

static_assert(sizeof(SIPINFO) == 48, "SIPINFO layout");

BOOL SipGetInfo(SIPINFO* pSipInfo);
BOOL SipShowIM(DWORD dwFlag);
BOOL SipSetInfo(SIPINFO* pSipInfo);
