// The phone's mutexes: recursive, owned by a thread, optionally named.
//
// Ownership and waiting work between the threads of this process. Across
// processes only the name is shared (see NameLock): a second process learns
// that the name exists, which is what single-instance checks rely on, but it
// does not wait for the first one's ownership.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel/kernel_object.h"
#include "platform/sync/name_lock.h"
#include "platform/sync/waitable.h"

namespace platform::sync {

// The mutex itself, shared by every handle to it.
class MutexState {
public:
    explicit MutexState(std::u16string name, std::unique_ptr<NameLock> name_lock = nullptr);

    DWORD wait(DWORD milliseconds);
    // False when the calling thread does not own the mutex.
    bool release();
    void take_initial_ownership();

    const std::u16string& name() const { return name_; }

private:
    friend class MutexHandle;
    friend class MutexRegistry;

    std::mutex mutex_;
    std::condition_variable released_;
    std::thread::id owner_;
    unsigned recursion_ = 0;

    const std::u16string name_;
    // Guarded by the registry's lock.
    unsigned handle_count_ = 0;
    std::unique_ptr<NameLock> name_lock_;
};

// One handle to a mutex; the last one closed gives up the name.
class MutexHandle : public KernelObject, public Waitable {
public:
    explicit MutexHandle(std::shared_ptr<MutexState> state);
    const char* kind() const override { return "mutex"; }
    void on_close() override;
    DWORD wait(DWORD milliseconds) override { return state_->wait(milliseconds); }
    MutexState& state() { return *state_; }

private:
    std::shared_ptr<MutexState> state_;
    bool closed_ = false;
};

}  // namespace platform::sync
