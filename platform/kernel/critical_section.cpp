// Critical sections kept entirely in their CRITICAL_SECTION record: a lock
// word the threads wait on, the owner's id and the owner's nesting depth.
// Nothing is allocated, so a zero-filled record works even before
// InitializeCriticalSection and DeleteCriticalSection cannot leak.
#include <atomic>
#include <cstdint>

#include "platform/include/winbase.h"
#include "platform/kernel/thread_id.h"

namespace {

constexpr DWORD lock_free = 0;
constexpr DWORD lock_held = 1;
constexpr DWORD lock_contended = 2;

std::atomic_ref<DWORD> lock_word(CRITICAL_SECTION& section) { return std::atomic_ref<DWORD>(section.needtrap); }
std::atomic_ref<HANDLE> owner(CRITICAL_SECTION& section) { return std::atomic_ref<HANDLE>(section.OwnerThread); }

HANDLE current_owner_value()
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(platform::current_thread_id()));
}

void take_ownership(CRITICAL_SECTION& section, HANDLE self)
{
    owner(section).store(self, std::memory_order_relaxed);
    section.LockCount = 1;
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!lpCriticalSection) return;
    *lpCriticalSection = CRITICAL_SECTION {};
}

void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!lpCriticalSection) return;
    *lpCriticalSection = CRITICAL_SECTION {};
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!lpCriticalSection) return;
    CRITICAL_SECTION& section = *lpCriticalSection;
    HANDLE self = current_owner_value();
    // Only this thread ever stores its own id, so seeing it means we hold the lock.
    if (owner(section).load(std::memory_order_relaxed) == self) {
        ++section.LockCount;
        return;
    }
    auto word = lock_word(section);
    DWORD seen = lock_free;
    if (!word.compare_exchange_strong(seen, lock_held, std::memory_order_acquire)) {
        std::atomic_ref<DWORD>(section.dwContentions).fetch_add(1, std::memory_order_relaxed);
        // Mark the lock contended so the leaving owner knows to wake a waiter.
        if (seen != lock_contended) seen = word.exchange(lock_contended, std::memory_order_acquire);
        while (seen != lock_free) {
            word.wait(lock_contended, std::memory_order_relaxed);
            seen = word.exchange(lock_contended, std::memory_order_acquire);
        }
    }
    take_ownership(section, self);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!lpCriticalSection) return FALSE;
    CRITICAL_SECTION& section = *lpCriticalSection;
    HANDLE self = current_owner_value();
    if (owner(section).load(std::memory_order_relaxed) == self) {
        ++section.LockCount;
        return TRUE;
    }
    DWORD seen = lock_free;
    if (!lock_word(section).compare_exchange_strong(seen, lock_held, std::memory_order_acquire)) return FALSE;
    take_ownership(section, self);
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!lpCriticalSection) return;
    CRITICAL_SECTION& section = *lpCriticalSection;
    // Leaving a section this thread does not hold is a caller's fault; it is
    // ignored rather than releasing another thread's lock.
    if (owner(section).load(std::memory_order_relaxed) != current_owner_value()) return;
    if (--section.LockCount > 0) return;
    owner(section).store(nullptr, std::memory_order_relaxed);
    if (lock_word(section).exchange(lock_free, std::memory_order_release) == lock_contended)
        lock_word(section).notify_one();
}
