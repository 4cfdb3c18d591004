// COM initialisation and object creation of the phone's interface.
#include <cstdlib>

#include "platform/com/class_table.h"
#include "platform/include/objbase.h"

namespace {

// A thread's apartment: how often it was initialised and in which mode.
// Plain values, so they are ready during static initialisation, when the
// application object initialises COM.
struct Apartment {
    unsigned count = 0;
    bool apartment_threaded = false;
};
thread_local Apartment apartment;

}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    if (pvReserved) return E_INVALIDARG;
    bool apartment_threaded = (dwCoInit & COINIT_APARTMENTTHREADED) != 0;
    if (apartment.count > 0) {
        if (apartment.apartment_threaded != apartment_threaded) return RPC_E_CHANGED_MODE;
        ++apartment.count;
        return S_FALSE;
    }
    apartment.count = 1;
    apartment.apartment_threaded = apartment_threaded;
    return S_OK;
}

void CoUninitialize()
{
    // An unbalanced call is ignored, as on the phone.
    if (apartment.count > 0) --apartment.count;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (apartment.count == 0) return CO_E_NOTINITIALIZED;
    // Every class of the phone lives in the calling process.
    platform::com::Factory factory = platform::com::find_class(rclsid);
    if (!factory || !(dwClsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    HRESULT result = factory(riid, ppv);
    if (FAILED(result)) *ppv = nullptr;
    return result;
}

// Requests beyond a phone process's gigabyte of address space fail cleanly.
constexpr SIZE_T largest_task_block = SIZE_T(1) << 30;

LPVOID CoTaskMemAlloc(SIZE_T cb) { return cb > largest_task_block ? nullptr : std::malloc(cb ? cb : 1); }

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb)
{
    return cb > largest_task_block ? nullptr : std::realloc(pv, cb ? cb : 1);
}

void CoTaskMemFree(LPVOID pv) { std::free(pv); }
