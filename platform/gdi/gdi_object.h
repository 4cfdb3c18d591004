// GDI objects behind HGDIOBJ, HBITMAP, HBRUSH, HPEN, HFONT, HRGN and HDC
// values. They share one handle table, so GetObjectType and DeleteObject work
// on any of them and a handle of the wrong kind is refused cleanly.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/include/wingdi.h"

namespace platform::gdi {

class GdiObject {
public:
    virtual ~GdiObject() = default;
    // OBJ_PEN, OBJ_BRUSH, ... as GetObjectType reports it.
    virtual DWORD object_type() const = 0;
    // GetObjectW: the size of the description, written to buffer when it is
    // not null and size allows; 0 when the object has no description.
    virtual int describe(int size, void* buffer) const
    {
        (void)size;
        (void)buffer;
        return 0;
    }

    std::uint32_t handle() const { return handle_; }
    bool is_stock() const { return stock_; }
    // DCs, and the states they saved, that hold the object; a held object
    // cannot be deleted.
    int selection_count() const { return selection_count_; }
    void add_selection() { ++selection_count_; }
    void remove_selection()
    {
        if (selection_count_ > 0) --selection_count_;
    }

private:
    friend std::uint32_t insert_object(std::shared_ptr<GdiObject>, bool);
    std::uint32_t handle_ = 0;
    bool stock_ = false;
    int selection_count_ = 0;
};

// Registers an object and returns its handle value.
std::uint32_t insert_object(std::shared_ptr<GdiObject> object, bool stock = false);

std::shared_ptr<GdiObject> find_object(const void* handle);

template <class T> std::shared_ptr<T> find_object_as(const void* handle)
{
    return std::dynamic_pointer_cast<T>(find_object(handle));
}

// Removes the handle; false for an unknown one.
bool remove_object(const void* handle);

// Live objects, stock objects included; tests use it to find leaks.
std::size_t live_object_count();

template <class Handle> Handle to_handle(std::uint32_t value)
{
    return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(value));
}

template <class Handle, class T> Handle handle_of(const std::shared_ptr<T>& object)
{
    return object ? to_handle<Handle>(object->handle()) : nullptr;
}

}  // namespace platform::gdi
