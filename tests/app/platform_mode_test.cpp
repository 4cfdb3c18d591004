// The phone's platform mode object, as a program reaches it through COM.

#include <gtest/gtest.h>

#include <objbase.h>
#include <platformmode.h>

#include "platform/shell/platform_mode.h"
#include "tests/ovfc/phone_fixture.h"

namespace {

class PlatformModeTest : public ovfc_test::PhoneTest {
protected:
    void SetUp() override
    {
        PhoneTest::SetUp();
        platform::shell::reset_platform_mode();
        platform::shell::register_platform_mode();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }
    void TearDown() override
    {
        CoUninitialize();
        PhoneTest::TearDown();
    }
};

TEST_F(PlatformModeTest, ObjectsShareThePhonesModeAndLogEveryCall)
{
    IPlatformMode* mode = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_PlatformMode, nullptr, CLSCTX_INPROC_SERVER, IID_IPlatformMode,
                  reinterpret_cast<void**>(&mode)),
        S_OK);
    EXPECT_EQ(mode->SetOwnerWindow(reinterpret_cast<HWND>(0x1234)), S_OK);
    EXPECT_EQ(mode->GetMediaMode(), 0u);
    EXPECT_EQ(mode->SetMediaMode(1), S_OK);
    EXPECT_EQ(mode->SetAudioRoute(2), S_OK);
    EXPECT_EQ(mode->SetAudioRoute(7), E_INVALIDARG);
    EXPECT_EQ(mode->Reserved2(), E_NOTIMPL);
    EXPECT_EQ(mode->Release(), 0u);

    // A second object sees what the first left.
    IPlatformMode* again = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_PlatformMode, nullptr, CLSCTX_INPROC_SERVER, IID_IPlatformMode,
                  reinterpret_cast<void**>(&again)),
        S_OK);
    EXPECT_EQ(again->GetMediaMode(), 1u);
    again->Release();
    EXPECT_EQ(platform::shell::platform_mode_state().audio_route, 2u);

    auto lines = trace_with("[PlatformMode]");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_NE(lines[0].find("SetOwnerWindow(0x00001234)"), std::string::npos) << lines[0];
    EXPECT_NE(lines[2].find("SetMediaMode(1)"), std::string::npos) << lines[2];
    EXPECT_NE(lines[4].find("SetAudioRoute(7) refused"), std::string::npos) << lines[4];
}

TEST_F(PlatformModeTest, OtherInterfacesAreRefused)
{
    void* object = nullptr;
    GUID other = IID_IPlatformMode;
    other.Data1 ^= 1;
    EXPECT_EQ(CoCreateInstance(CLSID_PlatformMode, nullptr, CLSCTX_INPROC_SERVER, other, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
