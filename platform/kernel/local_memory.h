// What the phone's local heap holds, for the host's leak watch.
#pragma once

#include <cstddef>

namespace platform {

struct LocalHeapUse {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
};

LocalHeapUse local_heap_use();

}  // namespace platform
