// The phone's platform mode object: the shell-side switch a program uses to
// put the phone's audio and display state back after a call or message has
// borrowed them. Only the slots a program calls are named; the others are
// the platform's own and do nothing for programs.
#pragma once

#include "objbase.h"
#include "unknwn.h"
#include "wintypes.h"

DEFINE_GUID(CLSID_PlatformMode, 0xBF7A8D97, 0xF40E, 0x4C40, 0xB0, 0xE9, 0x0C, 0x77, 0x27, 0x4F, 0xC4, 0xC1);
DEFINE_GUID(IID_IPlatformMode, 0xA15AA46A, 0x78B5, 0x41C1, 0x84, 0x16, 0xE2, 0x18, 0x3E, 0x39, 0x8F, 0x79);

struct IPlatformMode : public IUnknown {
    // Slot 1: the window the mode changes are made for.
    STDMETHOD(SetOwnerWindow)(HWND hWnd) PURE;
    STDMETHOD(Reserved2)() PURE;
    STDMETHOD(Reserved3)() PURE;
    STDMETHOD(Reserved4)() PURE;
    STDMETHOD(Reserved5)() PURE;
    STDMETHOD(Reserved6)() PURE;
    STDMETHOD(Reserved7)() PURE;
    STDMETHOD(Reserved8)() PURE;
    STDMETHOD(Reserved9)() PURE;
    STDMETHOD(Reserved10)() PURE;
    STDMETHOD(Reserved11)() PURE;
    STDMETHOD(Reserved12)() PURE;
    STDMETHOD(Reserved13)() PURE;
    STDMETHOD(Reserved14)() PURE;
    STDMETHOD(Reserved15)() PURE;
    STDMETHOD(Reserved16)() PURE;
    STDMETHOD(Reserved17)() PURE;
    STDMETHOD(Reserved18)() PURE;
    STDMETHOD(Reserved19)() PURE;
    STDMETHOD(Reserved20)() PURE;
    STDMETHOD(Reserved21)() PURE;
    STDMETHOD(Reserved22)() PURE;
    STDMETHOD(Reserved23)() PURE;
    // Slot 24: where sound goes: 1 the loudspeaker, 2 the earpiece.
    STDMETHOD(SetAudioRoute)(DWORD dwRoute) PURE;
    STDMETHOD(Reserved25)() PURE;
    STDMETHOD(Reserved26)() PURE;
    STDMETHOD(Reserved27)() PURE;
    STDMETHOD(Reserved28)() PURE;
    STDMETHOD(Reserved29)() PURE;
    STDMETHOD(Reserved30)() PURE;
    STDMETHOD(Reserved31)() PURE;
    // Slot 32: 1 while the phone is in its media mode, else 0.
    STDMETHOD_(DWORD, GetMediaMode)() PURE;
    // Slot 33: enters (1) or leaves (0) the media mode.
    STDMETHOD(SetMediaMode)(DWORD dwOn) PURE;
};
