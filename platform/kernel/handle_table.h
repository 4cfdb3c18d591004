// Small, 32-bit-safe handle values for platform objects.
//
// The system stores handles in 32-bit driver buffers and queue records, so a
// handle is never a host pointer: it is a number handed out by a table. Values
// are not reused until the counter wraps, so a stale handle fails cleanly
// instead of reaching a newer object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform {

template <class Object> class HandleTable {
public:
    // Values start at first_value and advance by step; both keep them clear of
    // 0 (null) and 0xFFFFFFFF (INVALID_HANDLE_VALUE).
    explicit HandleTable(std::uint32_t first_value, std::uint32_t step = 4)
        : first_value_(first_value)
        , step_(step)
        , next_value_(first_value)
    {
    }

    std::uint32_t insert(std::shared_ptr<Object> object)
    {
        std::lock_guard lock(mutex_);
        for (;;) {
            std::uint32_t value = next_value_;
            next_value_ += step_;
            if (next_value_ < first_value_ || next_value_ >= 0x7FFF0000u) next_value_ = first_value_;
            if (objects_.count(value) == 0) {
                objects_.emplace(value, std::move(object));
                return value;
            }
        }
    }

    std::shared_ptr<Object> find(std::uint32_t value) const
    {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(value);
        return it == objects_.end() ? nullptr : it->second;
    }

    // Removes the entry and hands back its object (null when there was none).
    std::shared_ptr<Object> remove(std::uint32_t value)
    {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(value);
        if (it == objects_.end()) return nullptr;
        auto object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    std::size_t size() const
    {
        std::lock_guard lock(mutex_);
        return objects_.size();
    }

    // A copy of the live entries, so callers may act on them without the lock.
    std::vector<std::pair<std::uint32_t, std::shared_ptr<Object>>> snapshot() const
    {
        std::lock_guard lock(mutex_);
        return {objects_.begin(), objects_.end()};
    }

private:
    mutable std::mutex mutex_;
    std::uint32_t first_value_;
    std::uint32_t step_;
    std::uint32_t next_value_;
    std::unordered_map<std::uint32_t, std::shared_ptr<Object>> objects_;
};

// Handles are pointer types carrying a table value.
template <class Handle> inline Handle handle_from_value(std::uint32_t value)
{
    return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(value));
}

template <class Handle> inline std::uint32_t handle_value(Handle handle)
{
    auto raw = reinterpret_cast<std::uintptr_t>(handle);
    return raw > 0xFFFFFFFFu ? 0u : static_cast<std::uint32_t>(raw);
}

}  // namespace platform
