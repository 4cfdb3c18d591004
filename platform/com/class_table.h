// The COM classes the phone offers to CoCreateInstance. Each area that
// provides a class (the imaging factory, for one) registers it here when the
// phone starts.
#pragma once

#include <functional>

#include "platform/include/objbase.h"

namespace platform::com {

// Creates a new object and hands out its interface riid in *out (AddRef'ed),
// or returns an error such as E_NOINTERFACE with *out left null. Platform
// classes do not support aggregation; CoCreateInstance refuses an outer
// object before a factory is asked.
using Factory = std::function<HRESULT(REFIID riid, void** out)>;

// Adds or replaces the class.
void register_class(REFCLSID clsid, Factory factory);
void unregister_class(REFCLSID clsid);

// The class's factory, or an empty one when the class is not offered.
Factory find_class(REFCLSID clsid);

}  // namespace platform::com
