#include "platform/kernel/kernel_object.h"

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"

namespace platform {
namespace {

HandleTable<KernelObject>& kernel_objects()
{
    static HandleTable<KernelObject> table(0x100);
    return table;
}

}  // namespace

HANDLE insert_kernel_object(std::shared_ptr<KernelObject> object)
{
    return handle_from_value<HANDLE>(kernel_objects().insert(std::move(object)));
}

std::shared_ptr<KernelObject> find_kernel_object(HANDLE handle)
{
    std::uint32_t value = handle_value(handle);
    return value == 0 ? nullptr : kernel_objects().find(value);
}

bool close_kernel_object(HANDLE handle)
{
    std::uint32_t value = handle_value(handle);
    if (value == 0) return false;
    auto object = kernel_objects().remove(value);
    if (!object) return false;
    object->on_close();
    return true;
}

std::size_t kernel_object_count() { return kernel_objects().size(); }

}  // namespace platform

BOOL CloseHandle(HANDLE hObject)
{
    if (!platform::close_kernel_object(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
