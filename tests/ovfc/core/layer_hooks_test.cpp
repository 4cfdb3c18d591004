// The hooks through which the layers above the core join it: the window
// animation COvWnd plays and the releases the application's exit runs.
#include <gtest/gtest.h>

#include <vector>

#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_layer_hooks.h"
#include "ovfc/core/ov_wnd.h"

namespace {

std::vector<int> g_calls;

template <int N> void record_exit() { g_calls.push_back(N); }

struct Animation {
    COvWnd* wnd;
    int nAnim;
    bool bShow;
};
std::vector<Animation> g_animations;

void record_animation(COvWnd& wnd, int nAnim, bool bShow) { g_animations.push_back({&wnd, nAnim, bShow}); }

class PlainApp : public OvApp { };

TEST(OvfcLayerHooks, ExitHooksRunInTheOrderAddedOnceEachOnEveryExit)
{
    // Only the core is linked here: no layer has added a hook of its own.
    g_calls.clear();
    EXPECT_FALSE(OvAddExitHook(nullptr));
    EXPECT_TRUE(OvAddExitHook(&record_exit<1>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<2>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<1>));
    PlainApp app;
    EXPECT_EQ(app.ExitInstance(), 1);
    EXPECT_EQ(g_calls, (std::vector<int> {1, 2}));
    EXPECT_EQ(app.ExitInstance(), 1);
    EXPECT_EQ(g_calls, (std::vector<int> {1, 2, 1, 2}));

    // The list holds eight; a ninth is refused and the others still run.
    EXPECT_TRUE(OvAddExitHook(&record_exit<3>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<4>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<5>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<6>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<7>));
    EXPECT_TRUE(OvAddExitHook(&record_exit<8>));
    EXPECT_FALSE(OvAddExitHook(&record_exit<9>));
    g_calls.clear();
    OvRunExitHooks();
    EXPECT_EQ(g_calls, (std::vector<int> {1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(OvfcLayerHooks, AnimateWindowPlaysThroughTheInstalledAnimatorOnly)
{
    COvWnd wnd;
    g_animations.clear();
    // Without the graphics layer nothing animates, and nothing breaks.
    ASSERT_EQ(OvGetWindowAnimator(), nullptr);
    wnd.AnimateWindow(3, true);

    OvSetWindowAnimator(&record_animation);
    wnd.AnimateWindow(0, true);
    wnd.AnimateWindow(5, true);
    wnd.AnimateWindow(2, false);
    OvSetWindowAnimator(nullptr);
    wnd.AnimateWindow(4, true);

    ASSERT_EQ(g_animations.size(), 2u);
    EXPECT_EQ(g_animations[0].wnd, &wnd);
    EXPECT_EQ(g_animations[0].nAnim, 5);
    EXPECT_TRUE(g_animations[0].bShow);
    EXPECT_EQ(g_animations[1].nAnim, 2);
    EXPECT_FALSE(g_animations[1].bShow);
}

}  // namespace
