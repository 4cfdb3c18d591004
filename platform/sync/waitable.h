// Kernel objects a thread can wait for with WaitForSingleObject.
#pragma once

#include "platform/include/wintypes.h"

namespace platform::sync {

class Waitable {
public:
    virtual ~Waitable() = default;
    // Waits up to `milliseconds` (INFINITE for no limit) for the object to
    // be signalled and takes it: WAIT_OBJECT_0 or WAIT_TIMEOUT.
    virtual DWORD wait(DWORD milliseconds) = 0;
};

}  // namespace platform::sync
