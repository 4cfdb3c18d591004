#include "platform/sync/mutex_object.h"

#include <chrono>
#include <map>

#include "platform/files/device_root.h"
#include "platform/include/synchapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace platform::sync {

// Named mutexes of this process, by exact name (object names keep case).
class MutexRegistry {
public:
    static MutexRegistry& instance()
    {
        static MutexRegistry registry;
        return registry;
    }

    // A new handle for `name`, joining an existing mutex when there is one.
    // `existed` is set when this or another process already held the name.
    HANDLE open(std::u16string_view name, NameLock::Mode mode, bool initial_owner, bool& existed, DWORD& error)
    {
        std::lock_guard lock(mutex_);
        std::u16string key(name);
        auto it = mutexes_.find(key);
        std::shared_ptr<MutexState> state = it == mutexes_.end() ? nullptr : it->second.lock();
        if (state) {
            existed = true;
        } else {
            std::unique_ptr<NameLock> name_lock;
            existed = false;
            // Without a device root there is no other process to share the
            // name with: it is this process's alone.
            if (!platform::files::device_root().empty()) {
                name_lock = NameLock::acquire(name, mode, existed, error);
                if (!name_lock) return nullptr;
            } else if (mode == NameLock::Mode::join_existing) {
                error = ERROR_FILE_NOT_FOUND;
                return nullptr;
            }
            state = std::make_shared<MutexState>(key, std::move(name_lock));
            mutexes_[key] = state;
            if (initial_owner && !existed) state->take_initial_ownership();
        }
        ++state->handle_count_;
        error = ERROR_SUCCESS;
        return insert_kernel_object(std::make_shared<MutexHandle>(state));
    }

    void close(MutexState& state)
    {
        std::unique_ptr<NameLock> name_lock;
        {
            std::lock_guard lock(mutex_);
            if (--state.handle_count_ > 0) return;
            if (!state.name_.empty()) mutexes_.erase(state.name_);
            // Given up under the registry lock, so a CreateMutexW racing
            // with this close sees either the old mutex or a free name.
            name_lock = std::move(state.name_lock_);
            name_lock.reset();
        }
    }

private:
    std::mutex mutex_;
    std::map<std::u16string, std::weak_ptr<MutexState>> mutexes_;
};

MutexState::MutexState(std::u16string name, std::unique_ptr<NameLock> name_lock)
    : name_(std::move(name))
    , name_lock_(std::move(name_lock))
{
}

void MutexState::take_initial_ownership()
{
    std::lock_guard lock(mutex_);
    owner_ = std::this_thread::get_id();
    recursion_ = 1;
}

DWORD MutexState::wait(DWORD milliseconds)
{
    std::unique_lock lock(mutex_);
    auto self = std::this_thread::get_id();
    if (recursion_ > 0 && owner_ == self) {
        ++recursion_;
        return WAIT_OBJECT_0;
    }
    auto free = [this] { return recursion_ == 0; };
    if (milliseconds == INFINITE) {
        released_.wait(lock, free);
    } else if (!released_.wait_for(lock, std::chrono::milliseconds(milliseconds), free)) {
        return WAIT_TIMEOUT;
    }
    owner_ = self;
    recursion_ = 1;
    return WAIT_OBJECT_0;
}

bool MutexState::release()
{
    std::lock_guard lock(mutex_);
    if (recursion_ == 0 || owner_ != std::this_thread::get_id()) return false;
    if (--recursion_ == 0) {
        owner_ = std::thread::id();
        released_.notify_one();
    }
    return true;
}

MutexHandle::MutexHandle(std::shared_ptr<MutexState> state)
    : state_(std::move(state))
{
}

void MutexHandle::on_close()
{
    if (closed_) return;
    closed_ = true;
    MutexRegistry::instance().close(*state_);
}

}  // namespace platform::sync

using platform::sync::MutexHandle;
using platform::sync::MutexRegistry;
using platform::sync::MutexState;
using platform::sync::NameLock;

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName)
{
    std::u16string_view name = platform::text_view(lpName);
    if (name.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    if (name.empty()) {
        // An unnamed mutex belongs to this process alone.
        auto state = std::make_shared<MutexState>(std::u16string());
        if (bInitialOwner) state->take_initial_ownership();
        HANDLE handle = platform::insert_kernel_object(std::make_shared<MutexHandle>(state));
        SetLastError(ERROR_SUCCESS);
        return handle;
    }
    bool existed = false;
    DWORD error = ERROR_SUCCESS;
    HANDLE handle =
        MutexRegistry::instance().open(name, NameLock::Mode::create_or_join, bInitialOwner != FALSE, existed, error);
    if (!handle) {
        SetLastError(error);
        return nullptr;
    }
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR lpName)
{
    std::u16string_view name = platform::text_view(lpName);
    if (name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (name.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    bool existed = false;
    DWORD error = ERROR_SUCCESS;
    HANDLE handle = MutexRegistry::instance().open(name, NameLock::Mode::join_existing, false, existed, error);
    if (!handle) {
        SetLastError(error);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE hMutex)
{
    auto mutex = platform::find_kernel_object_as<MutexHandle>(hMutex);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!mutex->state().release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    auto object = platform::find_kernel_object(hHandle);
    auto* waitable = dynamic_cast<platform::sync::Waitable*>(object.get());
    if (!waitable) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return waitable->wait(dwMilliseconds);
}
