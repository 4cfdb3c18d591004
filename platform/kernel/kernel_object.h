// Kernel objects behind HANDLE values: files, mutexes, message queues and
// device streams share one table, so CloseHandle works on any of them.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/include/wintypes.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Short name of the object's kind, for diagnostics ("file", "mutex", ...).
    virtual const char* kind() const = 0;
    // Called when the last handle to the object is closed. The object may
    // still be alive if a caller holds a shared_ptr to it.
    virtual void on_close() { }
};

// Registers an object and returns its handle.
HANDLE insert_kernel_object(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null for an unknown handle.
std::shared_ptr<KernelObject> find_kernel_object(HANDLE handle);

template <class T> std::shared_ptr<T> find_kernel_object_as(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(find_kernel_object(handle));
}

// Removes the handle; false for an unknown one.
bool close_kernel_object(HANDLE handle);

// Open kernel handles; the host watches it for leaks over long runs.
std::size_t kernel_object_count();

}  // namespace platform
