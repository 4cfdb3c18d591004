// A reference-counted base for the platform's COM classes.
//
//     class Decoder : public platform::com::Object<IImageDecoder> { ... };
//
// Object implements QueryInterface for IUnknown and each listed interface
// (whose IID is given by specialising InterfaceId), AddRef and Release with
// a thread-safe count, and deletes the object when the count reaches zero.
// A new object starts with one reference, which its creator owns.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "platform/include/unknwn.h"

namespace platform::com {

// The IID of an interface, for each interface used with Object:
//     template <> struct platform::com::InterfaceId<IImage> {
//         static REFIID get() { return IID_IImage; }
//     };
template <class Interface> struct InterfaceId;
template <> struct InterfaceId<IUnknown> {
    static REFIID get() { return IID_IUnknown; }
};

template <class FirstInterface, class... OtherInterfaces>
class Object : public FirstInterface, public OtherInterfaces... {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        // IUnknown always comes from the first interface, so one object has
        // one identity.
        if (riid == IID_IUnknown)
            *ppvObject = static_cast<IUnknown*>(static_cast<FirstInterface*>(this));
        else
            find_interface<FirstInterface, OtherInterfaces...>(riid, ppvObject);
        if (!*ppvObject) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return references_.fetch_add(1) + 1; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG remaining = references_.fetch_sub(1) - 1;
        if (remaining == 0) delete this;
        return remaining;
    }

protected:
    virtual ~Object() = default;

private:
    template <class Interface, class... Rest> void find_interface(REFIID riid, void** out)
    {
        if (riid == InterfaceId<Interface>::get()) {
            *out = static_cast<Interface*>(this);
            return;
        }
        if constexpr (sizeof...(Rest) > 0) find_interface<Rest...>(riid, out);
    }

    std::atomic<ULONG> references_ {1};
};

// A factory body: makes a Class and hands out its interface riid.
template <class Class, class... Arguments> HRESULT create_instance(REFIID riid, void** out, Arguments&&... arguments)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* object = new (std::nothrow) Class(std::forward<Arguments>(arguments)...);
    if (!object) return E_OUTOFMEMORY;
    HRESULT result = object->QueryInterface(riid, out);
    object->Release();
    return result;
}

}  // namespace platform::com
