// Point-to-point message queues of the phone's kernel.
//
// A queue has a reader end and a writer end; each handle is one of them,
// chosen by bReadAccess when it is created or opened. A named queue is shared
// by every handle created with its name and lives while any of them is open;
// an unnamed queue is reached only through its handle and OpenMsgQueue.
// Queue handles are kernel handles: CloseHandle closes them too.
#pragma once

#include "winerror.h"
#include "wintypes.h"

#define MSGQUEUE_NOPRECOMMIT 0x00000001u
#define MSGQUEUE_ALLOW_BROKEN 0x00000002u

#define MSGQUEUE_MSGALERT 0x00000001u

typedef struct MSGQUEUEOPTIONS_OS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMaxMessages;  // 0: no fixed limit
    DWORD cbMaxMessage;
    BOOL bReadAccess;
} MSGQUEUEOPTIONS, *LPMSGQUEUEOPTIONS, *PMSGQUEUEOPTIONS;

typedef struct MSGQUEUEINFO {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMaxMessages;
    DWORD cbMaxMessage;
    DWORD dwCurrentMessages;
    DWORD dwMaxQueueMessages;  // the most messages the queue has held at once
    WORD wNumReaders;
    WORD wNumWriters;
} MSGQUEUEINFO, *LPMSGQUEUEINFO, *PMSGQUEUEINFO;

static_assert(sizeof(MSGQUEUEOPTIONS) == 20, "MSGQUEUEOPTIONS layout");
static_assert(sizeof(MSGQUEUEINFO) == 28, "MSGQUEUEINFO layout");

// Creates a queue, or opens the named one that exists (then the last error
// is ERROR_ALREADY_EXISTS and the limits of the existing queue apply).
HANDLE CreateMsgQueue(LPCWSTR lpszName, LPMSGQUEUEOPTIONS lpOptions);
// Opens another end of the queue behind hMsgQ (hSrcProc is the process that
// holds it; every queue of the phone is reachable, so it is not looked at).
HANDLE OpenMsgQueue(HANDLE hSrcProc, HANDLE hMsgQ, LPMSGQUEUEOPTIONS lpOptions);
BOOL WriteMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbDataSize, DWORD dwTimeout, DWORD dwFlags);
BOOL ReadMsgQueue(
    HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbBufferSize, LPDWORD lpNumberOfBytesRead, DWORD dwTimeout, DWORD* pdwFlags);
BOOL GetMsgQueueInfo(HANDLE hMsgQ, LPMSGQUEUEINFO lpInfo);
BOOL CloseMsgQueue(HANDLE hMsgQ);
