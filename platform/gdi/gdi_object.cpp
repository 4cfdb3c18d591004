#include "platform/gdi/gdi_object.h"

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"

namespace platform::gdi {
namespace {

HandleTable<GdiObject>& objects()
{
    // A range of its own, clear of kernel handles, so a value passed to the
    // wrong family of calls is not mistaken for one of ours.
    static HandleTable<GdiObject> table(0x00A00000);
    return table;
}

}  // namespace

std::uint32_t insert_object(std::shared_ptr<GdiObject> object, bool stock)
{
    GdiObject* raw = object.get();
    raw->stock_ = stock;
    std::uint32_t value = objects().insert(std::move(object));
    raw->handle_ = value;
    return value;
}

std::shared_ptr<GdiObject> find_object(const void* handle)
{
    std::uint32_t value = handle_value(handle);
    return value == 0 ? nullptr : objects().find(value);
}

bool remove_object(const void* handle)
{
    std::uint32_t value = handle_value(handle);
    return value != 0 && objects().remove(value) != nullptr;
}

std::size_t live_object_count() { return objects().size(); }

}  // namespace platform::gdi

DWORD GetObjectType(HGDIOBJ h)
{
    auto object = platform::gdi::find_object(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->object_type();
}

int GetObjectW(HGDIOBJ h, int c, LPVOID pv)
{
    auto object = platform::gdi::find_object(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (pv && c < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return object->describe(c, pv);
}

BOOL DeleteObject(HGDIOBJ ho)
{
    auto object = platform::gdi::find_object(ho);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Stock objects are shared by everyone: deleting one is harmless and
    // does nothing.
    if (object->is_stock()) return TRUE;
    DWORD type = object->object_type();
    if (type == OBJ_DC || type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // An object still selected into a DC stays: the DC draws with it.
    if (object->selection_count() > 0) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    platform::gdi::remove_object(ho);
    return TRUE;
}
