// What the shaver window leaves behind: nothing. Its DCs, bitmaps, brushes,
// channels, sample buffers and library go with it, so a run ends leak-clean.

#include <gtest/gtest.h>

#include <vector>

#include "ovfc/graphics/ov_font.h"
#include "platform/gdi/gdi_object.h"
#include "shaver_fixture.h"

namespace shaver_test {
namespace {

TEST_F(ShaverTest, TheFadeLeavesNoDrawingObjectBehind)
{
    start_main_screen();
    std::size_t before = platform::gdi::live_object_count();
    window().RunPromptFade();
    window().RunPromptFade();
    EXPECT_EQ(platform::gdi::live_object_count(), before);
}

TEST_F(ShaverTest, DestroyingTheWindowReleasesWhatItMade)
{
    std::size_t before = platform::gdi::live_object_count();
    start_main_screen();
    tap(240, 560);
    pump();
    window().PlayVariant(2);
    std::vector<HWAVEOUT> channels;
    for (int i = 0; i < SHAVER_VARIANT_COUNT; ++i) channels.push_back(window().GetVariantChannel(i));
    ASSERT_NE(GetModuleHandleW(u"BrisellRes.dll"), nullptr);
    window_.reset();
    OvReleaseFonts();
    EXPECT_EQ(platform::gdi::live_object_count(), before);
    for (HWAVEOUT channel : channels) EXPECT_NE(waveOutReset(channel), MMSYSERR_NOERROR) << "still open";
    EXPECT_EQ(GetModuleHandleW(u"BrisellRes.dll"), nullptr);
    EXPECT_FALSE(playing("104"));
    EXPECT_TRUE(task_bar_visible());
}

}  // namespace
}  // namespace shaver_test
