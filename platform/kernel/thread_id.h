// Small per-thread identities for the kernel's own bookkeeping (critical
// section owners, COM apartments): never 0, never reused while the process
// runs.
#pragma once

#include <cstdint>

namespace platform {

std::uint32_t current_thread_id();

}  // namespace platform
