// The phone's local heap. LMEM_FIXED memory is the pointer itself, as on the
// phone. Every live block is recorded with its size, so LocalSize can answer
// and LocalFree of a pointer that is not a live block (freed twice, never
// allocated) fails with ERROR_INVALID_HANDLE instead of corrupting the heap.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/include/winbase.h"
#include "platform/kernel/local_memory.h"

namespace {

// A phone process has one gigabyte of address space; larger requests fail
// cleanly rather than asking the host for absurd amounts.
constexpr SIZE_T largest_block = SIZE_T(1) << 30;

constexpr UINT known_flags = LMEM_MOVEABLE | LMEM_ZEROINIT | LMEM_MODIFY;

struct LocalHeap {
    std::mutex mutex;
    std::unordered_map<void*, SIZE_T> sizes;
};

LocalHeap& heap()
{
    static LocalHeap* instance = new LocalHeap;  // outlives static destructors that free memory
    return *instance;
}

}  // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    if (uFlags & ~(LMEM_MOVEABLE | LMEM_ZEROINIT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (uBytes > largest_block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Moveable memory is not distinguished: the phone's heap hands out fixed
    // blocks for both.
    void* block = (uFlags & LMEM_ZEROINIT) ? std::calloc(uBytes ? uBytes : 1, 1) : std::malloc(uBytes ? uBytes : 1);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard lock(heap().mutex);
    heap().sizes[block] = uBytes;
    return block;
}

HLOCAL LocalFree(HLOCAL hMem)
{
    if (!hMem) return nullptr;
    {
        std::lock_guard lock(heap().mutex);
        if (heap().sizes.erase(hMem) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return hMem;
        }
    }
    std::free(hMem);
    return nullptr;
}

SIZE_T LocalSize(HLOCAL hMem)
{
    std::lock_guard lock(heap().mutex);
    auto it = heap().sizes.find(hMem);
    if (it == heap().sizes.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return it->second;
}

// A fixed block may only move when the caller allows it with LMEM_MOVEABLE;
// otherwise it can shrink in place but not grow.
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags)
{
    if (uFlags & ~known_flags) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard lock(heap().mutex);
    auto it = heap().sizes.find(hMem);
    if (it == heap().sizes.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (uFlags & LMEM_MODIFY) return hMem;
    if (uBytes > largest_block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SIZE_T old_size = it->second;
    if (uBytes <= old_size) {
        it->second = uBytes;
        return hMem;
    }
    if (!(uFlags & LMEM_MOVEABLE)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = std::realloc(hMem, uBytes);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    heap().sizes.erase(it);
    heap().sizes[block] = uBytes;
    if (uFlags & LMEM_ZEROINIT) std::memset(static_cast<char*>(block) + old_size, 0, uBytes - old_size);
    return block;
}

namespace platform {

LocalHeapUse local_heap_use()
{
    std::lock_guard lock(heap().mutex);
    LocalHeapUse use;
    use.blocks = heap().sizes.size();
    for (const auto& [block, size] : heap().sizes) use.bytes += size;
    return use;
}

}  // namespace platform
