// The message-queue calls of the phone's interface over the kernel's queues.
#include "platform/include/msgqueue.h"

#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"
#include "platform/msgqueue/queue_registry.h"

using platform::msgqueue::MessageQueue;
using platform::msgqueue::QueueEnd;

namespace {

constexpr DWORD known_queue_flags = MSGQUEUE_NOPRECOMMIT | MSGQUEUE_ALLOW_BROKEN;

// Without MSGQUEUE_NOPRECOMMIT the phone reserves room for every message at
// creation, so a queue whose full size cannot be had fails at once.
constexpr unsigned long long largest_precommit = MessageQueue::largest_queued_bytes;

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

bool options_valid(const MSGQUEUEOPTIONS* options)
{
    return options && options->dwSize == sizeof(MSGQUEUEOPTIONS) && (options->dwFlags & ~known_queue_flags) == 0;
}

std::shared_ptr<QueueEnd> find_end(HANDLE handle) { return platform::find_kernel_object_as<QueueEnd>(handle); }

}  // namespace

HANDLE CreateMsgQueue(LPCWSTR lpszName, LPMSGQUEUEOPTIONS lpOptions)
{
    if (!options_valid(lpOptions)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::u16string_view name = platform::text_view(lpszName);
    if (name.size() > MAX_PATH || lpOptions->cbMaxMessage == 0 ||
        lpOptions->cbMaxMessage > MessageQueue::largest_message) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!(lpOptions->dwFlags & MSGQUEUE_NOPRECOMMIT) && lpOptions->dwMaxMessages != 0 &&
        static_cast<unsigned long long>(lpOptions->dwMaxMessages) * lpOptions->cbMaxMessage > largest_precommit) {
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    bool existed = false;
    auto end = platform::msgqueue::open_queue(name, lpOptions->dwMaxMessages, lpOptions->cbMaxMessage,
        lpOptions->bReadAccess != FALSE, lpOptions->dwFlags, existed);
    HANDLE handle = platform::insert_kernel_object(end);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenMsgQueue(HANDLE, HANDLE hMsgQ, LPMSGQUEUEOPTIONS lpOptions)
{
    if (!options_valid(lpOptions)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto source = find_end(hMsgQ);
    if (!source) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto end =
        platform::msgqueue::open_other_end(source->shared_queue(), lpOptions->bReadAccess != FALSE, lpOptions->dwFlags);
    return platform::insert_kernel_object(end);
}

BOOL WriteMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbDataSize, DWORD dwTimeout, DWORD dwFlags)
{
    auto end = find_end(hMsgQ);
    if (!end) return fail(ERROR_INVALID_HANDLE);
    if (end->reader()) return fail(ERROR_ACCESS_DENIED);
    if (!lpBuffer || (dwFlags & ~MSGQUEUE_MSGALERT)) return fail(ERROR_INVALID_PARAMETER);
    DWORD error = end->queue().write(*end, lpBuffer, cbDataSize, dwTimeout, (dwFlags & MSGQUEUE_MSGALERT) != 0);
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL ReadMsgQueue(
    HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbBufferSize, LPDWORD lpNumberOfBytesRead, DWORD dwTimeout, DWORD* pdwFlags)
{
    auto end = find_end(hMsgQ);
    if (!end) return fail(ERROR_INVALID_HANDLE);
    if (!end->reader()) return fail(ERROR_ACCESS_DENIED);
    if (!lpBuffer || !lpNumberOfBytesRead) return fail(ERROR_INVALID_PARAMETER);
    DWORD bytes_read = 0;
    DWORD error = end->queue().read(*end, lpBuffer, cbBufferSize, bytes_read, dwTimeout, pdwFlags);
    *lpNumberOfBytesRead = error == ERROR_SUCCESS || error == ERROR_INSUFFICIENT_BUFFER ? bytes_read : 0;
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL GetMsgQueueInfo(HANDLE hMsgQ, LPMSGQUEUEINFO lpInfo)
{
    auto end = find_end(hMsgQ);
    if (!end) return fail(ERROR_INVALID_HANDLE);
    if (!lpInfo || lpInfo->dwSize != sizeof(MSGQUEUEINFO)) return fail(ERROR_INVALID_PARAMETER);
    *lpInfo = end->queue().info(end->flags());
    return TRUE;
}

BOOL CloseMsgQueue(HANDLE hMsgQ)
{
    // Only queue handles: closing a file through this call would be a fault.
    if (!find_end(hMsgQ) || !platform::close_kernel_object(hMsgQ)) return fail(ERROR_INVALID_HANDLE);
    return TRUE;
}
