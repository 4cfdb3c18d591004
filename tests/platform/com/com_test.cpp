#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/com/class_table.h"
#include "platform/com/com_object.h"
#include "platform/include/objbase.h"

// Two small interfaces of a test class, laid out as COM interfaces are.
struct IGreeter : IUnknown {
    STDMETHOD_(int, Greet)() PURE;
};
struct ICounter : IUnknown {
    STDMETHOD_(int, Next)() PURE;
};
DEFINE_GUID(IID_IGreeter, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01);
DEFINE_GUID(IID_ICounter, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02);
DEFINE_GUID(CLSID_Greeter, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x10);
DEFINE_GUID(CLSID_Nothing, 0xBF7A8D97, 0xF40E, 0x4C40, 0xB0, 0xE9, 0x0C, 0x77, 0x27, 0x4F, 0xC4, 0xC1);

template <> struct platform::com::InterfaceId<IGreeter> {
    static REFIID get() { return IID_IGreeter; }
};
template <> struct platform::com::InterfaceId<ICounter> {
    static REFIID get() { return IID_ICounter; }
};

namespace {

std::atomic<int> live_greeters {0};

class Greeter : public platform::com::Object<IGreeter, ICounter> {
public:
    Greeter() { ++live_greeters; }
    ~Greeter() override { --live_greeters; }
    int STDMETHODCALLTYPE Greet() override { return 42; }
    int STDMETHODCALLTYPE Next() override { return ++count_; }

private:
    int count_ = 0;
};

// Runs body on a fresh thread, whose COM state starts uninitialised.
template <class Body> void on_new_thread(Body body)
{
    std::thread thread(body);
    thread.join();
}

TEST(Com, InitialisationIsCountedPerThreadAndMode)
{
    on_new_thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        int dummy = 0;
        EXPECT_EQ(CoInitializeEx(&dummy, COINIT_MULTITHREADED), E_INVALIDARG);

        // Another thread has its own state.
        on_new_thread([] {
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
            CoUninitialize();
        });

        CoUninitialize();
        IUnknown* object = nullptr;
        platform::com::register_class(
            CLSID_Greeter, [](REFIID riid, void** out) { return platform::com::create_instance<Greeter>(riid, out); });
        // One initialisation is still open: the changed-mode call did not count.
        EXPECT_EQ(CoCreateInstance(
                      CLSID_Greeter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)),
            S_OK);
        ASSERT_NE(object, nullptr);
        object->Release();
        CoUninitialize();
        CoUninitialize();  // unbalanced: ignored
        EXPECT_EQ(CoCreateInstance(
                      CLSID_Greeter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)),
            CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
        platform::com::unregister_class(CLSID_Greeter);
    });
}

TEST(Com, CreateInstanceFollowsTheRules)
{
    on_new_thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        platform::com::register_class(
            CLSID_Greeter, [](REFIID riid, void** out) { return platform::com::create_instance<Greeter>(riid, out); });

        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(
            CoCreateInstance(CLSID_Nothing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(CoCreateInstance(CLSID_Greeter, nullptr, CLSCTX_INPROC_SERVER, IID_IGreeter, nullptr), E_POINTER);
        Greeter outer;
        out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(
            CoCreateInstance(CLSID_Greeter, static_cast<IGreeter*>(&outer), CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
            CLASS_E_NOAGGREGATION);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(
            CoCreateInstance(CLSID_Greeter, nullptr, CLSCTX_LOCAL_SERVER, IID_IGreeter, &out), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(live_greeters.load(), 1);  // only the outer one above

        IID unknown_interface = IID_IGreeter;
        unknown_interface.Data4[7] = 0x99;
        out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(
            CoCreateInstance(CLSID_Greeter, nullptr, CLSCTX_INPROC_SERVER, unknown_interface, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(live_greeters.load(), 1);  // the refused object was not leaked

        IGreeter* greeter = nullptr;
        ASSERT_EQ(
            CoCreateInstance(CLSID_Greeter, nullptr, CLSCTX_ALL, IID_IGreeter, reinterpret_cast<void**>(&greeter)),
            S_OK);
        EXPECT_EQ(greeter->Greet(), 42);
        EXPECT_EQ(live_greeters.load(), 2);

        // Both interfaces lead to one object with one identity and one count.
        ICounter* counter = nullptr;
        ASSERT_EQ(greeter->QueryInterface(IID_ICounter, reinterpret_cast<void**>(&counter)), S_OK);
        EXPECT_EQ(counter->Next(), 1);
        IUnknown* identity_a = nullptr;
        IUnknown* identity_b = nullptr;
        greeter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity_a));
        counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity_b));
        EXPECT_EQ(identity_a, identity_b);
        EXPECT_EQ(identity_a->Release(), 3u);
        EXPECT_EQ(identity_b->Release(), 2u);
        EXPECT_EQ(counter->Release(), 1u);
        EXPECT_EQ(greeter->Release(), 0u);
        EXPECT_EQ(live_greeters.load(), 1);

        platform::com::unregister_class(CLSID_Greeter);
        EXPECT_EQ(
            CoCreateInstance(CLSID_Greeter, nullptr, CLSCTX_INPROC_SERVER, IID_IGreeter, &out), REGDB_E_CLASSNOTREG);
        CoUninitialize();
    });
}

}  // namespace
