// Mutexes and waiting. A named mutex is shared by every process of the same
// phone (device root) while any of them holds a handle to it.
#pragma once

#include "winerror.h"
#include "wintypes.h"

#ifndef INFINITE
#define INFINITE 0xFFFFFFFFu
#endif

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define SYNCHRONIZE 0x00100000u
#define MUTANT_QUERY_STATE 0x0001u
#define MUTEX_MODIFY_STATE MUTANT_QUERY_STATE
#define MUTEX_ALL_ACCESS 0x001F0001u

// Sets ERROR_ALREADY_EXISTS (and grants no ownership) when the name is
// already in use by this or another process of the phone.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
// Null with ERROR_FILE_NOT_FOUND when no process holds the name.
HANDLE OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
BOOL ReleaseMutex(HANDLE hMutex);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
