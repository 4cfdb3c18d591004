#include "platform/kernel/thread_id.h"

#include <atomic>

namespace platform {

std::uint32_t current_thread_id()
{
    static std::atomic<std::uint32_t> next_id {1};
    thread_local std::uint32_t id = 0;
    if (id == 0) id = next_id.fetch_add(1);
    return id;
}

}  // namespace platform
